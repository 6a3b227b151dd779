#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::formula {

/// What a reference's qualifier names: "Sheet1!", "'My Sheet'!", "Sheet1:Sheet3!", "[2]Sheet1!" (another workbook,
/// by its 1-based place among the workbook's external links), "[2]!" (that workbook itself, before a name).
struct SheetPrefix {
    uint32_t book = 0;      ///< 0 = this workbook
    std::string firstSheet; ///< unquoted; empty for "[2]!"
    std::string lastSheet;  ///< empty unless a span of sheets
};

/// The qualifier of prefix text ending in "!"; nullopt when the text is not one.
std::optional<SheetPrefix> parseSheetPrefix(std::string_view prefix);

/// The qualifier as a formula writes it, "!" included, quoted where a name needs it.
std::string formatSheetPrefix(const SheetPrefix& prefix);

/// The same with the workbook shown by a label instead of its number, as the application shows a link:
/// "[f.xlsx]Sheet1!", "'[my book.xlsx]Sheet1'!".
std::string formatSheetPrefix(const SheetPrefix& prefix, std::string_view bookLabel);

/// A sheet name as a formula writes it: in single quotes unless it is a plain word.
std::string quoteSheetName(std::string_view name);

} // namespace tabrix::engine::formula
