#pragma once

#include "engine/model/CellRect.h"

namespace tabrix::engine {

class Worksheet;

/// After cells of a worksheet were deleted and their neighbours moved in: every formula of the workbook (cells and
/// defined names) that pointed at moved cells points at them again, and references to deleted cells read #REF!.
void rewriteReferencesAfterDelete(Worksheet& sheet, const CellRect& deleted, bool shiftLeft);

} // namespace tabrix::engine
