#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tabrix::engine {

class Worksheet;

/// Fetches into the caches, a few rows ahead, what a walk's whole-value finds in a key column will read: the
/// index place of each coming key, then the row it names, then that row's cells and texts. A walk that looks up a
/// million keys in a column of another million otherwise waits on memory at each of those steps in turn, which is
/// what makes such a walk slower per row than a small one. Only a hint to the memory system: what a find finds,
/// and when, is the same with or without it.
class FindAhead {
public:
    /// The keys are read from column `walkedCol` of `walked`, and looked up in column `searchedCol` of `searched`
    /// (columns from 1). Builds the searched column's index if it is not current.
    FindAhead(Worksheet& walked, uint32_t walkedCol, Worksheet& searched, uint32_t searchedCol);

    /// To be called before row `row` (from 1) of the walk is looked up: moves every coming row one step on.
    void before(uint32_t row);

private:
    struct Coming {
        std::string key;
        uint64_t hash = 0;
        uint32_t row = 0; ///< the searched row found for it, from 0; kNone when not known
    };
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr uint32_t kSteps = 8; ///< the ring holds this many coming rows
    Worksheet& m_walked;
    Worksheet& m_searched;
    uint32_t m_walkedCol;  ///< from 0
    uint32_t m_searchedCol; ///< from 0
    std::array<Coming, kSteps> m_coming;

    void locate(uint32_t row);  // the key's index place
    void resolve(uint32_t row); // the row found there
    void fetchRow(uint32_t row);   // that row's cells
    void fetchTexts(uint32_t row); // the texts those cells hold
};

} // namespace tabrix::engine
