#pragma once

#include "engine/model/CellValue.h"

namespace tabrix::engine {

/// Whether two cell values are equal as the operations that compare rows see them: two numbers numerically
/// (dates are their serials), two texts exactly (letter case counts), two booleans by their truth, two errors
/// when they are the same error. An empty value equals another empty value, the empty text and the number 0.
/// Values of different kinds are otherwise never equal: a number is not its text, TRUE is not 1.
bool valuesEqual(const Variant& a, const Variant& b);

} // namespace tabrix::engine
