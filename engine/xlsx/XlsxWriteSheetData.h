#pragma once

#include "engine/model/BookData.h"
#include "engine/xlsx/XlsxWriteFormats.h"

#include <cstdio>
#include <optional>
#include <string>

namespace tabrix::engine::xlsx {

/// The rows and columns a sheet's cell data spans (0-based, inclusive), for the dimension element.
struct SheetExtent {
    uint32_t firstRow = 0;
    uint32_t lastRow = 0;
    uint32_t firstCol = 0;
    uint32_t lastCol = 0;
    bool hasCells = false;
};

/// Writes the <row> elements of one sheet (the content of sheetData) as XML.
///
/// The cells are written here rather than through libxlsxwriter's cell functions because those cannot carry
/// what the workbook holds: they print numbers with 16 significant digits (0.1+0.2 would come back as 0.3), have
/// no error cells and no boolean or error formula results, and take a third of the saving time in printf.
class XlsxSheetDataWriter {
public:
    XlsxSheetDataWriter(const BookData& book, XlsxFormatCache& formats, std::FILE* out);
    ~XlsxSheetDataWriter();
    XlsxSheetDataWriter(const XlsxSheetDataWriter&) = delete;
    XlsxSheetDataWriter& operator=(const XlsxSheetDataWriter&) = delete;

    /// Writes every row; nullopt when nothing was written. Throws EngineError naming the sheet and cell for a
    /// value the format cannot hold, and on a failed write.
    std::optional<SheetExtent> write(const SheetData& sheet);

private:
    const BookData& m_book;
    XlsxFormatCache& m_formats;
    std::FILE* m_out;
    const SheetData* m_sheet = nullptr;
    char* m_buf;
    size_t m_pos = 0;
    char m_rowText[12];
    size_t m_rowLen = 0;

    bool writeRow(uint32_t r, const RowData& row);
    void writeCell(uint32_t r, const Cell& cell);
    void cellStart(const Cell& cell, const char* type, const char* close);
    void writeNumberValue(double value);
    void writeText(const Cell& cell, uint32_t r);
    void writeFormula(const Cell& cell);
    void escape(std::string_view text);

    void put(const char* data, size_t size);
    void put(std::string_view s) { put(s.data(), s.size()); }
    void reserve(size_t size);
    void flush();
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::xlsx
