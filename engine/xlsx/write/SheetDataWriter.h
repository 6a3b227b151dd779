#pragma once

#include "engine/model/BookData.h"
#include "engine/xlsx/write/StylesPart.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// The rows and columns a sheet's cell data spans (0-based, inclusive), for the dimension element.
struct SheetExtent {
    uint32_t firstRow = 0;
    uint32_t lastRow = 0;
    uint32_t firstCol = 0;
    uint32_t lastCol = 0;
    bool hasCells = false;
};

/// Checks a sheet's cells before anything is written, and gives every style its rows and cells use a cellXfs
/// index, which must happen before the styles part is written. Returns what the data spans, nullopt
/// when no row has anything to write. Throws EngineError naming the sheet and cell for a value the format
/// cannot hold (text over 32,767 characters, a row or column beyond the sheet).
std::optional<SheetExtent> prepareSheetData(const BookData& book, const SheetData& sheet, StylesPart& formats);

/// The reading half of prepareSheetData, which touches nothing but the sheet, so sheets can be scanned side by
/// side: the formats the rows and cells use, in the order they are first met, and what the data spans. Throws
/// like prepareSheetData.
struct SheetScan {
    std::optional<SheetExtent> extent;
    std::vector<uint32_t> styles;
};
SheetScan scanSheetData(const BookData& book, const SheetData& sheet);
/// The other half: gives the scanned formats their indexes, in order.
std::optional<SheetExtent> prepareSheetData(const SheetScan& scan, StylesPart& formats);

/// The <row> elements of a prepared sheet (the content of sheetData), produced a piece at a time as the
/// package writer asks for them, so no sheet is ever held as XML in memory or on disk. Numbers are written with
/// every digit they need to read back as the same double.
class XlsxSheetDataWriter {
public:
    XlsxSheetDataWriter(const BookData& book, const SheetData& sheet, const StylesPart& formats);
    ~XlsxSheetDataWriter();
    XlsxSheetDataWriter(const XlsxSheetDataWriter&) = delete;
    XlsxSheetDataWriter& operator=(const XlsxSheetDataWriter&) = delete;

    /// Copies up to size bytes of XML to out; returns 0 once every row has been given out.
    size_t read(char* out, size_t size);

private:
    const BookData& m_book;
    const SheetData& m_sheet;
    const StylesPart& m_formats;
    uint32_t m_nextRow = 0;
    uint32_t m_row = 0; ///< the row being written
    char* m_buf = nullptr;
    size_t m_capacity = 0;
    size_t m_pos = 0;  ///< bytes produced into m_buf
    size_t m_read = 0; ///< bytes of m_buf already given out
    char m_rowText[12];
    size_t m_rowLen = 0;

    void refill();
    void writeRow(uint32_t r, const RowData& row, bool hasCells);
    void writeCell(const Cell& cell);
    void cellStart(const Cell& cell, const char* type, const char* close);
    void writeNumberValue(double value);
    void writeText(const Cell& cell);
    void writeFormula(const Cell& cell);
    void escape(std::string_view text);

    void put(const char* data, size_t size);
    void put(std::string_view s) { put(s.data(), s.size()); }
    void reserve(size_t size);
};

} // namespace tabrix::engine::xlsx
