#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tabrix::engine::formula {

/// The formula text (A1 form, no leading "=") as it reads after its cell moved by rowOffset rows and colOffset
/// columns: relative row and column parts move, "$" parts stay, and a reference pushed off the sheet becomes
/// #REF!. Text in quotes, sheet names, function names and defined names are left alone.
std::string shiftFormula(std::string_view formula, int64_t rowOffset, int64_t colOffset);

/// The same for a cell copied with its row's columns rearranged: a reference into the cell's own row (`ownRow`,
/// before the move) with a relative column goes to the column `columnTo` gives that column (0: the column did not
/// go along, so it moves by colOffset like every other relative part). An area whose ends would swap is moved
/// by the offsets instead.
std::string shiftFormulaInRow(std::string_view formula, uint32_t ownRow, int64_t rowOffset, int64_t colOffset,
                              const std::function<uint32_t(uint32_t)>& columnTo);

} // namespace tabrix::engine::formula
