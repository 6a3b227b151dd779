#include "engine/xlsx/write/WorksheetPart.h"

#include "engine/model/CellAddress.h"
#include "engine/xlsx/write/PartNames.h"
#include "engine/xlsx/write/SheetDataWriter.h"
#include "engine/xlsx/write/XmlEscape.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace tabrix::engine::xlsx {

namespace {

constexpr double kDefaultRowHeight = 15;
constexpr double kDefaultColumnWidth = 8.43;

std::string dimensionRef(const std::optional<SheetExtent>& e) {
    if (!e || !e->hasCells) return "A1";
    if (e->firstRow == e->lastRow && e->firstCol == e->lastCol) return cellName(e->firstRow, e->firstCol);
    return cellName(e->firstRow, e->firstCol) + ":" + cellName(e->lastRow, e->lastCol);
}

std::string columnsXml(const SheetData& sheet, const StylesPart& styles, int& outlineLevel) {
    std::string x;
    for (const ColumnInfo& info : sheet.columns) {
        if (info.first > info.last || info.last >= kMaxCols) continue;
        const double width = info.width >= 0 ? info.width : sheet.defaultColWidth;
        x += "<col min=\"" + std::to_string(info.first + 1) + "\" max=\"" + std::to_string(info.last + 1) +
             "\" width=\"" + xmlNumber(storedColumnWidth(width)) + "\"";
        if (const int32_t xf = styles.xfIndex(info.style); xf != 0) x += " style=\"" + std::to_string(xf) + "\"";
        if (info.hidden) x += " hidden=\"1\"";
        if (width != kDefaultColumnWidth) x += " customWidth=\"1\"";
        if (info.outlineLevel != 0) {
            const int level = std::min<int>(info.outlineLevel, 7);
            x += " outlineLevel=\"" + std::to_string(level) + "\"";
            outlineLevel = std::max(outlineLevel, level);
        }
        x += "/>";
    }
    return x.empty() ? x : "<cols>" + x + "</cols>";
}

std::string head(const SheetData& sheet, const TabEntry& tab, bool selected, const StylesPart& styles) {
    int outlineLevel = 0;
    const std::string columns = columnsXml(sheet, styles, outlineLevel);
    std::string x(kXmlDeclaration);
    x += "<worksheet xmlns=\"" + std::string(kMainNamespace) + "\" xmlns:r=\"" +
         std::string(kRelationshipsNamespace) + "\">";
    x += "<dimension ref=\"" + dimensionRef(tab.extent) + "\"/>";
    x += selected ? "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
                  : "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>";
    const bool customHeight = sheet.defaultRowHeight > 0 && sheet.defaultRowHeight <= 409 &&
                              sheet.defaultRowHeight != kDefaultRowHeight;
    x += "<sheetFormatPr defaultRowHeight=\"" + xmlNumber(customHeight ? sheet.defaultRowHeight : kDefaultRowHeight) +
         "\"";
    if (customHeight) x += " customHeight=\"1\"";
    if (outlineLevel != 0) x += " outlineLevelCol=\"" + std::to_string(outlineLevel) + "\"";
    x += "/>" + columns + "<sheetData>";
    return x;
}

std::string tail(const TabEntry& tab) {
    std::string x = "</sheetData>";
    if (!tab.merges.empty()) {
        x += "<mergeCells count=\"" + std::to_string(tab.merges.size()) + "\">";
        for (const CellRect& m : tab.merges) x += "<mergeCell ref=\"" + rangeName(m, false) + "\"/>";
        x += "</mergeCells>";
    }
    x += "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>";
    if (!tab.tableRelIds.empty()) {
        x += "<tableParts count=\"" + std::to_string(tab.tableRelIds.size()) + "\">";
        for (const std::string& id : tab.tableRelIds) x += "<tablePart r:id=\"" + id + "\"/>";
        x += "</tableParts>";
    }
    return x + "</worksheet>";
}

// Head, rows and tail of one sheet part: the rows are never held in memory as a whole.
struct WorksheetSource {
    std::string head;
    std::string tail;
    std::unique_ptr<XlsxSheetDataWriter> rows; ///< none for a sheet without rows to write
    size_t headDone = 0;
    size_t tailDone = 0;

    size_t read(char* out, size_t capacity) {
        if (headDone < head.size()) return copy(head, headDone, out, capacity);
        if (rows)
            if (size_t n = rows->read(out, capacity)) return n;
        return copy(tail, tailDone, out, capacity);
    }

    static size_t copy(const std::string& from, size_t& done, char* out, size_t capacity) {
        size_t n = std::min(capacity, from.size() - done);
        std::memcpy(out, from.data() + done, n);
        done += n;
        return n;
    }
};

} // namespace

double storedColumnWidth(double shownWidth) {
    if (!(shownWidth > 0)) return 0;
    shownWidth = std::min(shownWidth, 255.0);
    // Below one character the padding shrinks with the width, as the application lays such columns out.
    const double pixels = shownWidth < 1 ? std::floor(shownWidth * 12 + 0.5) : std::floor(shownWidth * 7 + 0.5) + 5;
    return std::floor(pixels / 7 * 256) / 256;
}

std::function<size_t(char*, size_t)> worksheetPartReader(const BookData& book, const TabEntry& tab, bool selected,
                                                         const StylesPart& styles) {
    auto source = std::make_shared<WorksheetSource>();
    source->head = head(*tab.sheet, tab, selected, styles);
    source->tail = tail(tab);
    if (tab.extent) source->rows = std::make_unique<XlsxSheetDataWriter>(book, *tab.sheet, styles);
    return [source](char* out, size_t capacity) { return source->read(out, capacity); };
}

} // namespace tabrix::engine::xlsx
