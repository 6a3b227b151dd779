#pragma once

#include "engine/model/SheetData.h"
#include "engine/xls/XlsBook.h"

#include <cstdint>
#include <optional>

namespace tabrix::engine::xls {

/// Reads the sheet substream that starts at position (its BOF record) into sheet: cells with their cached
/// values and decoded formulas, rows, columns, merged areas and default sizes; notes what the engine cannot
/// carry (comments, drawings, ...) in sheet.droppedFeatures. Throws EngineError naming the sheet, record and offset.
void readSheet(XlsBook& xb, uint32_t position, SheetData& sheet);

/// What the sheet's own BOF (and a WSBOOL record for dialog sheets) says it is; nullopt when the substream
/// cannot be read there.
std::optional<SheetKind> peekSheetKind(const XlsBook& xb, uint32_t position);

/// A number stored as an RK value: a 30-bit integer or the top 30 bits of a double, optionally divided by 100.
double decodeRk(uint32_t rk);

} // namespace tabrix::engine::xls
