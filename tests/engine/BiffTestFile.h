#pragma once

#include "engine/model/BookData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tabrix::test::biff {

// Little-endian fields of a record body.
std::string u8(uint8_t v);
std::string u16(uint16_t v);
std::string u32(uint32_t v);
std::string f64(double v);

/// A record: number, length, body (the body is not split; tests add CONTINUE records themselves).
std::string record(uint16_t id, const std::string& body);

/// BIFF8 strings: 8-bit ("compressed") characters with a 1- or 2-byte count, or UTF-16LE ones from UTF-8 text.
std::string str8(const std::string& latin1, int countBytes = 2);
std::string str16(const std::string& utf8, int countBytes = 2);
/// UTF-16LE code units of UTF-8 text.
std::string utf16(const std::string& utf8);

/// A cell record header.
std::string cell(uint16_t row, uint16_t col, uint16_t xf = 15);

/// The default FONT and the 16 XF records every real file starts with (15 of them style XFs, XF 15 the
/// default cell format), for BIFF8 or BIFF5.
std::string defaultStyles(int biff = 8);

/// A sheet substream's records between its BOF and EOF, and how BOUNDSHEET lists it.
struct Sheet {
    std::string name;
    std::string records;
    uint8_t visibility = 0;
    uint8_t type = 0;            ///< BOUNDSHEET type: 0 worksheet/dialog, 1 macro, 2 chart
    uint16_t bofType = 0x0010;   ///< 0x0010 worksheet, 0x0020 chart, 0x0040 macro sheet
    std::string nameBytes;       ///< BIFF5 only: the name in the file's code page (default: name as is)
};

/// A whole workbook stream: BOF, the given globals records, BOUNDSHEETs pointing at the sheets, EOF, then each
/// sheet's substream.
std::string workbookStream(const std::string& globals, const std::vector<Sheet>& sheets, int biff = 8);

/// The stream in an OLE2 compound file (written by libgsf) under the given stream name.
std::string oleFile(const std::string& stream, const std::string& streamName = "Workbook");

/// A stream of n bytes of harmless filler records (so a stream grows past the mini-stream size).
std::string filler(size_t n);

// Reading such files with our reader.
std::unique_ptr<engine::BookData> readFile(const std::string& file);
std::unique_ptr<engine::BookData> readStream(const std::string& stream, const std::string& streamName = "Workbook");
/// A workbook with the default styles (or the globals given) and one worksheet "Sheet1" of these records.
std::unique_ptr<engine::BookData> oneSheet(const std::string& records, const std::string& globals = defaultStyles());
/// The cell at (row, col) of a sheet, loading it first; throws when there is none.
const engine::Cell& at(engine::BookData& book, uint32_t row, uint32_t col, size_t sheet = 0);
std::string textAt(engine::BookData& book, uint32_t row, uint32_t col, size_t sheet = 0);

/// Reads the file with our reader and with xlrd (an independent reader) and expects every non-empty cell of
/// every worksheet to agree: numbers exactly, texts, booleans, errors.
void expectSameAsXlrd(const std::string& file);

} // namespace tabrix::test::biff
