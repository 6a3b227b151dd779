#include "engine/xlsx/read/XlsxSheetReader.h"

#include "engine/model/CellAddress.h"
#include "engine/model/ColumnWidth.h"
#include "engine/xlsx/FastXmlParser.h"
#include "engine/xlsx/read/XlsxSheetHandler.h"
#include "engine/xlsx/XmlText.h"
#include "engine/xlsx/read/ZipPackage.h"

#include <algorithm>
#include <cmath>

namespace tabrix::engine::xlsx {

namespace {
// The standard width a sheet gets from baseColWidth alone: the digits plus 5 pixels of padding, rounded up to
// a multiple of 8 pixels.
double widthFromBase(double baseChars) {
    double pixels = std::ceil((std::clamp(baseChars, 0.0, 255.0) * 7 + 5) / 8) * 8;
    return (pixels - 5) / 7;
}

class SharedStringsHandler : public XmlHandler {
public:
    explicit SharedStringsHandler(StringPool& pool) : m_pool(pool) {}
    uint32_t count = 0;

    void startElement(std::string_view name, const char**) override {
        if (name == "si") {
            m_text.clear();
            m_inItem = true;
        } else if (name == "t" && m_inItem && !m_inPhonetic) {
            m_collect = true;
        } else if (name == "rPh") {
            m_inPhonetic = true;
        }
    }
    void endElement(std::string_view name) override {
        if (name == "t") {
            m_collect = false;
        } else if (name == "rPh") {
            m_inPhonetic = false;
        } else if (name == "si" && m_inItem) {
            decodeEscapes(m_text);
            m_pool.append(m_text);
            ++count;
            m_inItem = false;
        }
    }
    void characters(const char* text, int len) override {
        if (m_collect) m_text.append(text, size_t(len));
    }

private:
    StringPool& m_pool;
    std::string m_text;
    bool m_inItem = false;
    bool m_inPhonetic = false;
    bool m_collect = false;
};

void streamParse(ZipPackage& package, const std::string& part, XmlHandler& handler) {
    FastXmlParser parser(handler, package.name() + ": " + part);
    package.stream(part, [&](std::string_view chunk) { parser.feed(chunk, false); });
    parser.feed({}, true);
}
} // namespace

uint32_t readSharedStrings(ZipPackage& package, const std::string& part, StringPool& strings) {
    SharedStringsHandler handler(strings);
    streamParse(package, part, handler);
    return handler.count;
}

void readSheetPart(ZipPackage& package, const std::string& part, SheetData& sheet, const SheetContext& ctx) {
    SheetHandler handler(sheet, ctx);
    streamParse(package, part, handler);
    handler.finish();
}

void SheetHandler::noteDropped(const char* feature) {
    auto& list = m_sheet.droppedFeatures;
    if (std::find(list.begin(), list.end(), feature) == list.end()) list.emplace_back(feature);
}

void SheetHandler::sheetElement(std::string_view name, const char** atts) {
    if (name == "sheetData") {
        m_inSheetData = true;
    } else if (name == "sheetFormatPr") {
        if (auto h = parseDouble(findAttr(atts, "defaultRowHeight") ? findAttr(atts, "defaultRowHeight") : "");
            h && *h > 0 && *h <= 409.5)
            m_sheet.defaultRowHeight = *h;
        const char* width = findAttr(atts, "defaultColWidth");
        const char* base = findAttr(atts, "baseColWidth");
        if (auto w = width ? parseDouble(width) : std::nullopt; w && *w >= 0)
            m_sheet.defaultColWidth = displayWidth(*w);
        else if (auto b = base ? parseDouble(base) : std::nullopt; b && *b >= 0)
            m_sheet.defaultColWidth = widthFromBase(*b);
    } else if (name == "col") {
        readColumn(atts);
    } else if (name == "mergeCell") {
        const char* ref = findAttr(atts, "ref");
        if (auto rect = ref ? parseRangeRef(ref) : std::nullopt) m_sheet.merged.push_back(*rect);
    } else if (name == "hyperlink") {
        noteDropped("hyperlinks");
    } else if (name == "dataValidation") {
        noteDropped("data validation");
    } else if (name == "conditionalFormatting") {
        noteDropped("conditional formats");
    } else if (name == "autoFilter") {
        noteDropped("autofilter");
    } else if (name == "pane") {
        std::string_view state = findAttr(atts, "state") ? findAttr(atts, "state") : "";
        if (state == "frozen" || state == "frozenSplit") noteDropped("freeze panes");
    } else if (name == "sheetProtection") {
        noteDropped("sheet protection");
    }
}

void SheetHandler::readColumn(const char** atts) {
    auto number = [&](const char* attr, int64_t fallback) {
        const char* v = findAttr(atts, attr);
        auto n = v ? parseInt(v) : std::nullopt;
        return n ? *n : fallback;
    };
    int64_t first = number("min", 1), last = number("max", first);
    if (first < 1 || first > int64_t(kMaxCols)) return;
    last = std::clamp<int64_t>(last, first, kMaxCols);
    ColumnInfo info;
    info.first = uint16_t(first - 1);
    info.last = uint16_t(last - 1);
    if (const char* w = findAttr(atts, "width"))
        if (auto width = parseDouble(w); width && *width >= 0) info.width = displayWidth(*width);
    int64_t style = number("style", 0);
    info.style = style > 0 && style < int64_t(m_ctx.styleCount) ? uint32_t(style) : 0;
    info.hidden = parseBool(findAttr(atts, "hidden"), false);
    info.outlineLevel = uint8_t(std::clamp<int64_t>(number("outlineLevel", 0), 0, 7));
    m_columns.push_back(info);
}

void SheetHandler::finish() {
    if (m_columns.empty()) return;
    // A repeated <cols> adds to the runs already read.
    m_columns.insert(m_columns.begin(), m_sheet.columns.begin(), m_sheet.columns.end());
    m_sheet.columns = disjointColumnRuns(std::move(m_columns));
    m_columns.clear();
}

} // namespace tabrix::engine::xlsx
