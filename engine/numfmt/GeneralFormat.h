#pragma once

#include <string>

namespace tabrix::engine::numfmt {

/// A number as the "General" format shows it in a default-width column: at most 11 characters besides the
/// minus sign, plain where that shows as many significant digits as scientific form would (at most six),
/// so 1234567890123 → "1.23457E+12", 0.1+0.2 → "0.3", 1e-300 → "1E-300", 12345678901 → "12345678901".
std::string formatGeneral(double value);

} // namespace tabrix::engine::numfmt
