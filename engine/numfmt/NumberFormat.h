#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tabrix::engine::numfmt {

/// Format code of a built-in number format id (0 "General", 14 "yyyy/m/d", ..., and the CJK ids 27-36, 50-58
/// as a Chinese (PRC) installation shows them); empty for an id with no built-in code.
std::string builtinFormat(uint32_t id);

/// True for "General" in any letter case and for the empty code: the value shows as it is stored.
bool isGeneralFormat(std::string_view code);

/// True when the code shows a number as a date or time (d, m, y, h, s outside quotes, brackets and escapes,
/// or elapsed-time brackets [h] [m] [s]).
bool isDateFormat(std::string_view code);

/// The text a cell shows for a number with this format code (what Range.Text returns), in the 1900 or 1904
/// date system. Colours and column width are ignored; "General" shows up to 11 significant characters.
std::string formatNumber(double value, std::string_view code, bool date1904);

/// The text a cell shows for a text value: the text section ("@") of the code applied, else the text itself.
std::string formatText(std::string_view text, std::string_view code);

} // namespace tabrix::engine::numfmt
