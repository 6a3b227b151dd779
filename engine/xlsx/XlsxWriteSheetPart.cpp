#include "engine/xlsx/XlsxWriteSheetPart.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/xlsx/XlsxWriteMessages.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tabrix::engine::xlsx {

namespace {

// Head, rows and tail of one sheet part, produced piece by piece while the package is written: the rows are never
// held in memory or on disk as a whole.
struct SheetPartSource {
    std::string head;
    std::string tail;
    XlsxSheetDataWriter rows;
    size_t headDone = 0;
    size_t tailDone = 0;

    SheetPartSource(std::string h, std::string t, const BookData& book, const SheetData& sheet,
                    const XlsxFormatCache& formats)
        : head(std::move(h)), tail(std::move(t)), rows(book, sheet, formats) {}

    size_t read(char* out, size_t capacity) {
        if (headDone < head.size()) return copy(head, headDone, out, capacity);
        if (size_t n = rows.read(out, capacity)) return n;
        return copy(tail, tailDone, out, capacity);
    }

    static size_t copy(const std::string& from, size_t& done, char* out, size_t capacity) {
        size_t n = std::min(capacity, from.size() - done);
        std::memcpy(out, from.data() + done, n);
        done += n;
        return n;
    }
};

std::string dimensionRef(const SheetExtent& e) {
    if (!e.hasCells) return "A1";
    if (e.firstRow == e.lastRow && e.firstCol == e.lastCol) return cellName(e.firstRow, e.firstCol);
    return cellName(e.firstRow, e.firstCol) + ":" + cellName(e.lastRow, e.lastCol);
}

} // namespace

void addSheetDataParts(XlsxPackageEditor& zip, const BookData& book,
                       const XlsxFormatCache& formats, const std::vector<SheetDataEntry>& sheets) {
    for (const auto& entry : sheets) {
        std::string part = "xl/worksheets/sheet" + std::to_string(entry.lxwIndex + 1) + ".xml";
        std::string xml = zip.read(part);
        size_t data = xml.find("<sheetData/>");
        size_t dimension = xml.find("<dimension ref=\"");
        size_t dimensionEnd = dimension == std::string::npos ? dimension : xml.find("/>", dimension);
        if (data == std::string::npos || dimensionEnd == std::string::npos || dimensionEnd > data)
            throw EngineError("保存失败，libxlsxwriter 写出的 " + part + " 与预期的不同");
        std::string head = xml.substr(0, dimension) + "<dimension ref=\"" + dimensionRef(entry.extent) + "\"/>" +
                           xml.substr(dimensionEnd + 2, data - dimensionEnd - 2) + "<sheetData>";
        std::string tail = "</sheetData>" + xml.substr(data + 12);
        auto source = std::make_shared<SheetPartSource>(std::move(head), std::move(tail), book, *entry.sheet, formats);
        zip.writeStream(part, [source](char* out, size_t capacity) { return source->read(out, capacity); },
                        kSheetDataLevel);
    }
}

} // namespace tabrix::engine::xlsx
