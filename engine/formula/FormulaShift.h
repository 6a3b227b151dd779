#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tabrix::engine::formula {

/// The formula text (A1 form, no leading "=") as it reads after its cell moved by rowOffset rows and colOffset
/// columns: relative row and column parts move, "$" parts stay, and a reference pushed off the sheet becomes
/// #REF!. Text in quotes, sheet names, function names and defined names are left alone.
std::string shiftFormula(std::string_view formula, int64_t rowOffset, int64_t colOffset);

} // namespace tabrix::engine::formula
