#pragma once

#include "engine/model/CellValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::analysis {

/// The rows of a key column by their keys as a lenient match sees them: the text a whole-cell find compares
/// (numbers as they are shown in the formula bar, letter case ignored), without the white space around it and
/// with full-width letters, digits and signs taken as their ASCII forms. Built once for the searched column of
/// a comparison or a clear, and only read afterwards, so it may be read from several threads.
class LenientKeys {
public:
    LenientKeys(engine::Worksheet& sheet, uint32_t column, uint32_t rows);

    /// The rows (ascending) whose key matches the value; empty when none does.
    std::span<const uint32_t> rows(const engine::Variant& value) const;

private:
    std::unordered_map<std::string, std::vector<uint32_t>> m_rows;
};

/// The key text of a value for a lenient match (see above); "" for an empty cell and for blank text alike.
std::string lenientKey(const engine::Variant& value);

/// Two values compared as the row comparisons compare them, after the text of each has been made lenient
/// (white space around it dropped, full-width ASCII forms taken as their half-width ones). Case still counts.
bool lenientValuesEqual(const engine::Variant& a, const engine::Variant& b);

} // namespace tabrix::analysis
