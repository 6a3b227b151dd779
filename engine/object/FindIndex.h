#pragma once

#include "engine/model/BookData.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabrix::engine {

/// A cell's value as Find compares it: text as it is, numbers with up to 15 significant digits (as the formula
/// bar shows them), TRUE/FALSE, error text; case folded. Empty cells give nullopt.
std::optional<std::string> findText(const BookData& book, const Cell& cell);

/// The What of a whole-cell find that matches the value itself and nothing else: "*", "?" and "~" in a text are
/// escaped with "~"; other values are found by their text as they are. Keys are searched this way.
Variant literalWhat(const Variant& value);

/// Case-insensitive wildcard match of the whole text: * any run, ? one character, ~ takes the next literally.
bool wildcardMatch(std::string_view pattern, std::string_view text);
bool hasWildcards(std::string_view pattern);
std::string foldCase(std::string_view text);

/// Rows of each value in one column, so repeated whole-value finds on a long column do not rescan it. Empty
/// cells and cells holding the empty text are kept under the empty text.
/// Rebuilt when the sheet has changed since it was built. A million-row key column is held in a few flat arrays
/// (texts back to back, an open-addressed table of groups, the rows of each group together) rather than a node,
/// a string and a vector per value: built and searched with far fewer cache misses and allocations.
class FindIndex {
public:
    /// Sorted rows of the column whose value equals the folded text; empty when none.
    std::span<const uint32_t> rows(const BookData& book, const SheetData& sheet, uint32_t col, uint64_t version,
                                   const std::string& folded);

private:
    friend class FindAhead;
    // The groups themselves make the open-addressed table, a short value is kept whole in its group and a value
    // on one row keeps that row in the group: a lookup then mostly touches one place in memory, which is what
    // matters once the column is far larger than the caches.
    static constexpr size_t kHeld = 16;
    struct Group {
        uint32_t tag; ///< part of the value's hash
        uint32_t textLength;
        uint32_t count; ///< rows holding the value; 0 for a free place in the table
        uint32_t first; ///< the row itself when count is 1, else where the group's rows start in rows
        size_t textAt;  ///< where the whole value is in texts
        char head[kHeld];
    };
    struct Column {
        uint64_t version = 0;
        std::string texts;
        std::vector<Group> table; ///< a power of two long, at most half full
        std::vector<uint32_t> rows;

        void build(const BookData& book, const SheetData& sheet, uint32_t col);
        /// The value's place in the table: its group, or the free place where it would go.
        size_t placeOf(std::string_view text, uint64_t hash) const;
        bool holds(const Group& g, std::string_view text) const;
    };
    std::unordered_map<uint32_t, Column> m_columns;

    /// The column's index when it is built and the sheet has not changed since; nullptr otherwise.
    const Column* current(uint32_t col, uint64_t version) const;
};

} // namespace tabrix::engine
