#include "engine/xlsx/read/XlsxLinkParts.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/XmlText.h"
#include "engine/xlsx/read/OpcRelations.h"
#include "engine/xlsx/read/ZipPackage.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tabrix::engine::xlsx {

namespace {
constexpr uint64_t kLinkPartLimit = uint64_t(64) << 20;

std::string attr(const char** atts, std::string_view name) {
    const char* v = findAttr(atts, name);
    return v ? v : "";
}

class ExternalLinkHandler : public XmlHandler {
public:
    ExternalLinkHandler(ExternalBook& book, std::string& relId) : m_book(book), m_relId(relId) {}

    void startElement(std::string_view name, const char** atts) override {
        if (name == "externalBook") {
            m_relId = attr(atts, "id");
        } else if (name == "sheetName") {
            m_book.sheets.push_back({attr(atts, "val"), {}});
        } else if (name == "definedName") {
            ExternalName n;
            n.name = attr(atts, "name");
            n.refersTo = attr(atts, "refersTo");
            if (!n.refersTo.empty() && n.refersTo.front() == '=') n.refersTo.erase(0, 1);
            auto sheet = parseInt(attr(atts, "sheetId"));
            n.sheet = sheet && *sheet >= 0 && *sheet < 65536 ? int(*sheet) : -1;
            if (!n.name.empty()) m_book.names.push_back(std::move(n));
        } else if (name == "sheetData") {
            auto id = parseInt(attr(atts, "sheetId"));
            m_sheet = id && *id >= 0 && size_t(*id) < m_book.sheets.size() ? &m_book.sheets[size_t(*id)] : nullptr;
        } else if (name == "cell" && m_sheet) {
            auto ref = parseCellRef(attr(atts, "r"));
            m_cellRef = ref ? std::optional(std::make_pair(ref->row, ref->col)) : std::nullopt;
            m_type = attr(atts, "t");
            m_value.clear();
        } else if (name == "v") {
            m_inValue = m_cellRef.has_value();
        }
    }
    void endElement(std::string_view name) override {
        if (name == "v") m_inValue = false;
        if (name == "sheetData") m_sheet = nullptr;
        if (name != "cell" || !m_sheet || !m_cellRef) return;
        Variant value;
        if (m_type == "str" || m_type == "s" || m_type == "inlineStr") {
            decodeEscapes(m_value);
            value = m_value;
        } else if (m_type == "b") {
            value = m_value == "1" || m_value == "true";
        } else if (m_type == "e") {
            auto code = errorFromText(m_value);
            if (code) value = *code;
        } else if (!m_value.empty()) {
            double d = 0;
            auto [end, ec] = std::from_chars(m_value.data(), m_value.data() + m_value.size(), d);
            if (ec == std::errc() && end == m_value.data() + m_value.size()) value = d;
        }
        if (!std::holds_alternative<std::monostate>(value)) m_sheet->cells[*m_cellRef] = std::move(value);
        m_cellRef.reset();
    }
    void characters(const char* text, int len) override {
        if (m_inValue) m_value.append(text, size_t(len));
    }

private:
    ExternalBook& m_book;
    std::string& m_relId;
    ExternalSheet* m_sheet = nullptr;
    std::optional<std::pair<uint32_t, uint32_t>> m_cellRef;
    std::string m_type;
    std::string m_value;
    bool m_inValue = false;
};

// A link's target as the model keeps it: a local file as its path ("file:///C:/a/b.xlsx" → "C:/a/b.xlsx").
std::string linkTarget(std::string target) {
    if (target.starts_with("file:///")) target.erase(0, target[9] == ':' ? 8 : 7);
    return percentDecode(target);
}

class TableHandler : public XmlHandler {
public:
    explicit TableHandler(SheetTable& table) : m_table(table) {}
    void startElement(std::string_view name, const char** atts) override {
        if (name == "table" && !m_sawTable) {
            m_sawTable = true;
            m_table.name = attr(atts, "displayName");
            if (m_table.name.empty()) m_table.name = attr(atts, "name");
            auto ref = parseRangeRef(attr(atts, "ref"));
            m_ok = ref.has_value() && ref->lastRow < kMaxRows && ref->lastCol < kMaxCols;
            if (m_ok) m_table.ref = *ref;
            auto headers = parseInt(attr(atts, "headerRowCount"));
            auto totals = parseInt(attr(atts, "totalsRowCount"));
            m_table.headerRows = headers && *headers == 0 ? 0 : 1;
            m_table.totalsRows = totals && *totals > 0 ? 1 : 0;
        } else if (name == "tableColumn") {
            m_table.columns.push_back(attr(atts, "name"));
        }
    }
    void endElement(std::string_view) override {}
    bool ok() const {
        return m_ok && !m_table.name.empty() && m_table.columns.size() == m_table.ref.cols() &&
               m_table.ref.rows() > m_table.headerRows + m_table.totalsRows;
    }

private:
    SheetTable& m_table;
    bool m_sawTable = false;
    bool m_ok = false;
};
} // namespace

void readExternalLinks(ZipPackage& zip, const std::vector<Relationship>& workbookRels,
                       const std::vector<std::string>& relIds, BookData& book) {
    for (const std::string& id : relIds) {
        ExternalBook& link = book.externalBooks.emplace_back();
        auto rel = std::find_if(workbookRels.begin(), workbookRels.end(),
                                [&](const Relationship& r) { return r.id == id && !r.external; });
        if (rel == workbookRels.end() || !zip.has(rel->target)) continue;
        std::string bookRel;
        try {
            ExternalLinkHandler handler(link, bookRel);
            parseXml(handler, zip.read(rel->target, kLinkPartLimit), zip.name() + ": " + rel->target);
        } catch (const EngineError&) {
            // A damaged link costs the formulas that use it their link (they keep their values), not the workbook.
            link = ExternalBook{};
            continue;
        }
        for (const Relationship& r : readRelationships(zip, rel->target))
            if (r.id == bookRel) link.target = linkTarget(r.target);
    }
}

bool readTablePart(std::string xml, const std::string& where, SheetTable& table) {
    TableHandler handler(table);
    try {
        parseXml(handler, xml, where);
    } catch (const EngineError&) {
        return false;
    }
    if (!handler.ok()) return false;
    table.partXml = std::move(xml);
    return true;
}

} // namespace tabrix::engine::xlsx
