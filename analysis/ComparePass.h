#pragma once

#include "framework/Host.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::analysis {

/// Rows and columns of a worksheet's used range counted from A1.
struct Extent {
    uint32_t rows;
    uint32_t cols;
};

/// One pass of a comparison: every row of the walked worksheet is looked up by its key in the key column of the
/// searched worksheet and compared on the given column pairs with each row holding that key.
struct PassPlan {
    engine::Worksheet& walked;
    uint32_t walkedRows;
    uint32_t walkedKey; ///< column number from 1
    engine::Worksheet& searched;
    uint32_t searchedRows;
    uint32_t searchedKey;
    std::vector<std::pair<uint32_t, uint32_t>> compared; ///< (walked column, searched column)
    std::string last;                                    ///< letters of the last column of a copied row
    uint32_t numberColumn;                               ///< where a copy's source row number goes; 0 for none
};

/// Where a pass stands among the rows of the whole comparison, for the host's progress bar.
struct PassShare {
    uint64_t before;
    uint64_t total;
};

/// Runs one pass: a row with a full match is copied to the same-data sheet when one is given, a row without one
/// to the difference sheet; rows land from row 1 down without gaps. The progress line follows the rows.
void runPass(framework::Host& host, const PassPlan& plan, engine::Worksheet* same, engine::Worksheet& different,
             PassShare share);

} // namespace tabrix::analysis
