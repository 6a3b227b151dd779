#pragma once

namespace tabrix::engine {

/// Column width as the application shows it (characters of the default font's digit) from a width as stored
/// in either file format, which includes the cell's padding; assumes the default font's 7-pixel digit.
double displayWidth(double fileWidth);

} // namespace tabrix::engine
