#pragma once

#include "engine/model/BookData.h"

#include <optional>
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
/// Rebuilt when the sheet has changed since it was built.
class FindIndex {
public:
    /// Sorted rows of the column whose value equals the folded text, or nullptr.
    const std::vector<uint32_t>* rows(const BookData& book, const SheetData& sheet, uint32_t col, uint64_t version,
                                      const std::string& folded);

private:
    struct Column {
        uint64_t version = 0;
        std::unordered_map<std::string, std::vector<uint32_t>> rows;
    };
    std::unordered_map<uint32_t, Column> m_columns;
};

} // namespace tabrix::engine
