#pragma once

#include "engine/numfmt/FormatCode.h"

#include <string>

namespace tabrix::engine::numfmt {

/// A non-negative number through a number section (digits, point, thousands, %, E+); the caller adds any sign.
std::string renderNumberSection(const FormatSection& section, double magnitude);
/// A non-negative number through a fraction section ("# ?/?", "?/8").
std::string renderFractionSection(const FormatSection& section, double magnitude);
/// A date serial through a date or time section; a row of "#" when the serial is no date.
std::string renderDateSection(const FormatSection& section, double serial, bool date1904);

/// What a spreadsheet shows when the value cannot be shown in the format.
inline constexpr const char* kNotShowable = "########";

} // namespace tabrix::engine::numfmt
