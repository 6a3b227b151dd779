#pragma once

#include "engine/model/CellValue.h"
#include "framework/Host.h"

#include <cstdint>
#include <exception>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::analysis {

class LenientKeys;

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
    /// The searched key column's rows by lenient key: keys and compared values are then matched leniently
    /// (white space around them dropped, full-width forms as half-width ones). nullptr: matched exactly.
    const LenientKeys* lenient = nullptr;
};

/// A walked row without a full match whose key stands in the searched worksheet, with the searched row that
/// differs from it in the fewest compared columns (the first of those).
struct ChangedRow {
    uint32_t walked;
    uint32_t searched;
};

/// Whether two values are the same as the plan compares them (exactly, or leniently).
bool sameValue(const PassPlan& plan, const engine::Variant& walked, const engine::Variant& searched);

/// Where a pass stands among the rows of the whole comparison, for the host's progress bar.
struct PassShare {
    uint64_t before;
    uint64_t total;
};

/// The finds of a pass made on a thread of their own: which walked rows have a full match, found with the same
/// Find and FindNext calls as the pass would make. Meant for a pass that runs after another one: its finds only read
/// the two worksheets and search another worksheet than the pass before, so they can be made while that pass
/// copies rows. The worksheets must not change until matches() has returned.
class MatchesAhead {
public:
    explicit MatchesAhead(const PassPlan& plan);
    MatchesAhead(const MatchesAhead&) = delete;
    MatchesAhead& operator=(const MatchesAhead&) = delete;

    /// Waits for the finds; one flag per walked row from row 1. A failure of the finds is raised here.
    const std::vector<uint8_t>& matches();

private:
    std::vector<uint8_t> m_matches;
    std::exception_ptr m_failure;
    std::jthread m_thread; ///< last, so it is stopped and joined first: finds never asked for end early
};

/// Runs one pass: a row with a full match is copied to the same-data sheet when one is given, a row without one
/// to the difference sheet; rows land from row 1 down without gaps. The progress line follows the rows. With
/// `ahead`, the pass's finds were made already and only the copies are made here. With `changes`, every row
/// without a full match whose key stands in the searched worksheet is listed there with its closest row.
void runPass(framework::Host& host, const PassPlan& plan, engine::Worksheet* same, engine::Worksheet& different,
             PassShare share, MatchesAhead* ahead = nullptr, std::vector<ChangedRow>* changes = nullptr);

} // namespace tabrix::analysis
