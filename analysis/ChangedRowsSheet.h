#pragma once

#include "analysis/ComparePass.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::analysis {

/// What the sheet of changed rows shows: the columns of both worksheets side by side, which of them the
/// comparison compared, and the words that name each side.
struct ChangeLayout {
    engine::Worksheet& first;
    engine::Worksheet& second;
    std::string firstSide;
    std::string secondSide;
    std::vector<std::pair<uint32_t, uint32_t>> columns; ///< (first worksheet's column, second's), in shown order
    std::vector<bool> compared;                          ///< per shown column: a difference there is marked
};

/// The fill of a cell whose value changed.
inline constexpr uint32_t kChangedFill = 0xFFEB9C;

/// Fills the sheet: row 1 "来源" and the second worksheet's headings of the shown columns; then for each changed
/// row the first worksheet's row and the second's one under the other, each after the name of its side, the
/// compared cells whose values differ filled in both, and a blank row between pairs.
void writeChangedRows(engine::Worksheet& sheet, const ChangeLayout& layout, const PassPlan& plan,
                      const std::vector<ChangedRow>& changes);

} // namespace tabrix::analysis
