#pragma once

#include "engine/model/CellValue.h"

#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// What a text from a table file becomes in a cell, typed the way a spreadsheet program types what is typed into
/// it: plain numbers (with or without thousands separators), percentages, dates and times, TRUE/FALSE, error
/// literals. Digits that a number would lose stay text: leading zeros ("0012", account numbers) and more than
/// 15 digits (ID card numbers).
struct TypedText {
    CellType type = CellType::Empty; ///< Empty: the text is empty
    double number = 0;
    bool boolean = false;
    ErrorCode error = ErrorCode::NA;
    std::string_view format; ///< number format for a number ("General", "0.00%", "yyyy/m/d", ...)
};

/// Types a cell's text. Surrounding spaces are ignored for the decision; a text stays as it was given.
TypedText typeText(std::string_view text);

/// Serial number (1900 date system) of a date "yyyy-m-d" / "yyyy/m/d" with an optional time "h:mm[:ss[.fff]]",
/// or of a time alone; the format it shows in is set in format.
std::optional<double> dateTimeSerial(std::string_view text, std::string_view& format);

/// The format code for the names exports use for built-in formats ("General Number", "Fixed", "Standard",
/// "Percent", "Scientific", "Short Date", "Medium Date", "Long Date", "General Date", "Short Time", "Medium Time",
/// "Long Time", "Currency"); nullopt for any other text (which is a format code itself).
std::optional<std::string> namedFormatCode(std::string_view name);

} // namespace tabrix::engine::text
