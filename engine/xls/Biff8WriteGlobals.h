#pragma once

#include "engine/model/BookData.h"
#include "engine/xls/Biff8WriteBuffer.h"
#include "engine/xls/Biff8WriteLinks.h"
#include "engine/xls/Biff8WriteSst.h"
#include "engine/xls/Biff8WriteStyles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// A sheet as the globals list it: the name its tab shows in the file and its visibility.
struct Biff8SheetEntry {
    const SheetData* sheet;
    Visibility visibility;
    std::string name;
};

/// Writes the workbook globals substream from BOF to EOF into out, which must start at the workbook stream's
/// start. Returns the positions of the BOUNDSHEET fields that must receive each sheet's BOF position. filePass,
/// when given, is the body of the FILEPASS record that follows BOF in a protected workbook.
std::vector<size_t> writeBiff8Globals(Biff8WriteBuffer& out, const BookData& book,
                                      const std::vector<Biff8SheetEntry>& sheets, uint16_t activeSheet,
                                      const Biff8WriteStyles& styles, const Biff8WriteLinks& links,
                                      const Biff8WriteSst& sst, const std::vector<uint8_t>* filePass = nullptr);

} // namespace tabrix::engine::xls
