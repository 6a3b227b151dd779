#include "engine/ssml/SpreadsheetMlReader.h"

#include "engine/EngineError.h"
#include "engine/ssml/R1C1Formula.h"
#include "engine/ssml/SsmlStyles.h"
#include "engine/text/CellSink.h"
#include "engine/text/SheetNaming.h"
#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/XmlText.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace tabrix::engine::ssml {

using xlsx::findAttr;

namespace {
constexpr std::string_view kNamespace = "urn:schemas-microsoft-com:office:spreadsheet";

std::optional<int64_t> intAttr(const char** atts, std::string_view name) {
    const char* v = findAttr(atts, name);
    return v ? xlsx::parseInt(v) : std::nullopt;
}

// Column width in characters of the default font from points, as the program converts it (7 px per character
// plus 5 px of padding at 96 dpi).
double widthInCharacters(double points) {
    return std::max(0.0, std::floor((points * 96 / 72 - 5) / 7 * 256) / 256);
}

struct PendingCell {
    uint32_t row = 0, col = 0, style = 0;
    std::string formula;
    std::string type;
    std::string data;
    bool hasData = false;
};

class SsmlHandler : public xlsx::XmlHandler {
public:
    SsmlHandler(BookData& book, std::string where) : m_book(book), m_where(std::move(where)) {}

    void startElement(std::string_view name, const char** atts) override;
    void endElement(std::string_view name) override;
    void characters(const char* text, int len) override;

private:
    bool parentIs(std::string_view name) const { return m_path.size() >= 2 && m_path[m_path.size() - 2] == name; }
    void startWorksheet(const char** atts);
    void startRow(const char** atts);
    void startColumn(const char** atts);
    void startCell(const char** atts);
    void finishCell();
    void namedRange(const char** atts);

    BookData& m_book;
    std::string m_where;
    std::vector<std::string> m_path;
    SsmlStyles m_styles;
    SheetData* m_sheet = nullptr;
    std::optional<text::CellSink> m_sink;
    int64_t m_row = -1, m_col = -1, m_nextColumn = 0;
    std::optional<PendingCell> m_cell;
    int m_dataDepth = 0; ///< inside a cell's Data (rich text elements nest in it)
    std::string m_optionText;
};

void SsmlHandler::startElement(std::string_view name, const char** atts) {
    m_path.emplace_back(name);
    if (m_dataDepth > 0) {
        ++m_dataDepth;
        return;
    }
    m_optionText.clear();
    if (name == "Style" && parentIs("Styles"))
        m_styles.begin(atts);
    else if (m_path.size() >= 3 && m_path[m_path.size() - 3] == "Styles")
        m_styles.element(name, atts);
    else if (name == "Worksheet")
        startWorksheet(atts);
    else if (name == "NamedRange")
        namedRange(atts);
    else if (!m_sheet)
        return;
    else if (name == "Column" && parentIs("Table"))
        startColumn(atts);
    else if (name == "Row" && parentIs("Table"))
        startRow(atts);
    else if (name == "Cell" && parentIs("Row"))
        startCell(atts);
    else if (name == "Data" && parentIs("Cell") && m_cell) {
        const char* type = findAttr(atts, "Type");
        m_cell->type = type ? type : "String";
        m_cell->hasData = true;
        m_dataDepth = 1;
    }
}

void SsmlHandler::endElement(std::string_view name) {
    if (!m_path.empty()) m_path.pop_back();
    if (m_dataDepth > 0) {
        --m_dataDepth;
        return;
    }
    if (name == "Styles")
        m_styles.end(m_book);
    else if (name == "Cell" && m_cell && m_sheet)
        finishCell();
    else if (name == "Worksheet")
        m_sheet = nullptr, m_sink.reset(), m_cell.reset();
    else if (name == "Visible" && m_sheet && !m_path.empty() && m_path.back() == "WorksheetOptions") {
        if (m_optionText == "SheetHidden")
            m_sheet->visibility = Visibility::Hidden;
        else if (m_optionText == "SheetVeryHidden")
            m_sheet->visibility = Visibility::VeryHidden;
    }
}

void SsmlHandler::characters(const char* text, int len) {
    if (m_dataDepth > 0 && m_cell) {
        if (m_cell->data.size() + size_t(len) > 32767 * 4) return; // longer than a cell can hold
        m_cell->data.append(text, size_t(len));
    } else if (!m_path.empty() && m_path.back() == "Visible") {
        m_optionText.append(text, size_t(len));
    }
}

void SsmlHandler::startWorksheet(const char** atts) {
    m_cell.reset(); // a worksheet inside a cell: the cell it interrupts is dropped, never finished in another sheet
    auto sheet = std::make_unique<SheetData>();
    const char* name = findAttr(atts, "Name");
    const std::string fallback = "Sheet" + std::to_string(m_book.sheets.size() + 1);
    sheet->name = text::validSheetName(name ? name : "", m_book, fallback);
    m_sheet = sheet.get();
    m_book.sheets.push_back(std::move(sheet));
    m_sink.emplace(m_book, *m_sheet, m_where + " 工作表“" + m_sheet->name + "”");
    m_row = -1;
    m_nextColumn = 0;
}

void SsmlHandler::startColumn(const char** atts) {
    const int64_t first = intAttr(atts, "Index").value_or(m_nextColumn + 1) - 1;
    const int64_t span = std::clamp<int64_t>(intAttr(atts, "Span").value_or(0), 0, kMaxCols);
    m_sink->checkPlace(0, uint64_t(std::max<int64_t>(first, 0) + span));
    ColumnInfo info;
    info.first = uint16_t(std::max<int64_t>(first, 0));
    info.last = uint16_t(info.first + span);
    if (const char* w = findAttr(atts, "Width"))
        if (auto points = xlsx::parseDouble(w); points && *points >= 0 && *points < 5000)
            info.width = widthInCharacters(*points);
    if (const char* h = findAttr(atts, "Hidden")) info.hidden = std::strcmp(h, "1") == 0;
    if (const char* s = findAttr(atts, "StyleID")) info.style = m_styles.styleFor(m_book, s);
    m_sheet->setColumnInfo(info);
    m_nextColumn = info.last + 1;
}

void SsmlHandler::startRow(const char** atts) {
    m_row = intAttr(atts, "Index").value_or(m_row + 2) - 1;
    if (m_row < 0) throw EngineError("第 " + std::to_string(m_row + 1) + " 行: 行号无效");
    m_sink->checkPlace(uint64_t(m_row), 0);
    m_col = -1;
    const char* height = findAttr(atts, "Height");
    const char* hidden = findAttr(atts, "Hidden");
    if (height || hidden) {
        RowData& row = m_sheet->rowForWrite(uint32_t(m_row));
        if (auto h = height ? xlsx::parseDouble(height) : std::nullopt; h && *h >= 0 && *h <= 409.5)
            row.height = float(*h);
        row.hidden = hidden && std::strcmp(hidden, "1") == 0;
    }
}

void SsmlHandler::startCell(const char** atts) {
    if (m_row < 0) m_row = 0; // a Row without index before any other
    m_col = intAttr(atts, "Index").value_or(m_col + 2) - 1;
    if (m_col < 0) throw EngineError("第 " + std::to_string(m_row + 1) + " 行: 列号无效");
    const int64_t across = std::clamp<int64_t>(intAttr(atts, "MergeAcross").value_or(0), 0, kMaxCols);
    const int64_t down = std::clamp<int64_t>(intAttr(atts, "MergeDown").value_or(0), 0, kMaxRows);
    m_sink->checkPlace(uint64_t(m_row + down), uint64_t(m_col + across));
    if (across > 0 || down > 0)
        m_sheet->merged.push_back(
            CellRect{uint32_t(m_row), uint32_t(m_col), uint32_t(m_row + down), uint32_t(m_col + across)});
    PendingCell cell;
    cell.row = uint32_t(m_row);
    cell.col = uint32_t(m_col);
    if (const char* s = findAttr(atts, "StyleID")) cell.style = m_styles.styleFor(m_book, s);
    if (const char* f = findAttr(atts, "Formula")) cell.formula = f;
    m_cell = std::move(cell);
    m_col += across; // the next cell without an index comes after the merged area
}

void SsmlHandler::finishCell() {
    PendingCell cell = std::move(*m_cell);
    m_cell.reset();
    text::CellSink& sink = *m_sink;
    const uint32_t r = cell.row, c = cell.col;
    if (cell.hasData && cell.type == "Number") {
        if (auto v = xlsx::parseDouble(xlsx::trimSpace(cell.data)))
            sink.putNumber(r, c, *v, "General", cell.style);
        else
            sink.putText(r, c, cell.data, cell.style);
    } else if (cell.hasData && cell.type == "DateTime") {
        if (auto serial = xlsx::isoDateSerial(cell.data, false))
            sink.putNumber(r, c, *serial, *serial == std::floor(*serial) ? "yyyy/m/d" : "yyyy/m/d h:mm", cell.style);
        else
            sink.putText(r, c, cell.data, cell.style);
    } else if (cell.hasData && cell.type == "Boolean") {
        const std::string_view v = xlsx::trimSpace(cell.data);
        sink.putBoolean(r, c, v == "1" || v == "true" || v == "TRUE", cell.style);
    } else if (cell.hasData && cell.type == "Error") {
        if (auto code = errorFromText(xlsx::trimSpace(cell.data)))
            sink.putError(r, c, *code, cell.style);
        else
            sink.putText(r, c, cell.data, cell.style);
    } else if (cell.hasData) {
        sink.putText(r, c, cell.data, cell.style);
    }
    Cell* placed = const_cast<Cell*>(m_sheet->find(r, c));
    // Formulas in another notation ("of:=...") keep only their value.
    if (!cell.formula.empty() && cell.formula.front() == '=') {
        if (!placed) placed = &m_sheet->at(r, c), placed->style = cell.style;
        m_book.setFormula(*placed, r1c1ToA1(cell.formula, r, c));
    } else if (!placed && cell.style != 0) {
        m_sheet->at(r, c).style = cell.style;
    }
}

void SsmlHandler::namedRange(const char** atts) {
    const char* name = findAttr(atts, "Name");
    const char* refersTo = findAttr(atts, "RefersTo");
    if (!name || !refersTo || std::strcmp(name, "_FilterDatabase") == 0 || m_book.names.size() >= 65536) return;
    DefinedName defined;
    defined.name = name;
    defined.formula = r1c1ToA1(refersTo, 0, 0);
    defined.localSheet = m_sheet ? int(m_book.sheets.size()) - 1 : -1;
    if (const char* hidden = findAttr(atts, "Hidden")) defined.hidden = std::strcmp(hidden, "1") == 0;
    m_book.names.push_back(std::move(defined));
}
} // namespace

namespace {
// Past the XML declaration, processing instructions, comments, a DOCTYPE and white space: where the root starts.
size_t rootElementAt(std::string_view head) {
    size_t at = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size()) {
        const char c = head[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
            continue;
        }
        if (c != '<' || at + 1 >= head.size()) return std::string_view::npos;
        std::string_view close;
        size_t from = at + 2;
        if (head[at + 1] == '?') {
            close = "?>";
        } else if (head.substr(at, 4) == "<!--") {
            close = "-->";
        } else if (head[at + 1] == '!') {
            // A DOCTYPE may carry an internal subset in brackets, with '>' of its own declarations inside.
            close = ">";
            const size_t mark = head.find_first_of("[>", from);
            if (mark != std::string_view::npos && head[mark] == '[') {
                from = head.find(']', mark);
                if (from == std::string_view::npos) return std::string_view::npos;
            }
        } else {
            return at;
        }
        const size_t end = head.find(close, from);
        if (end == std::string_view::npos) return std::string_view::npos;
        at = end + close.size();
    }
    return std::string_view::npos;
}
} // namespace

bool isSpreadsheetMl(std::string_view head) {
    // Only a document whose root is Workbook, with the spreadsheet namespace on it: a page that declares the
    // same namespace on its <html> element is a page.
    const size_t at = rootElementAt(head);
    if (at == std::string_view::npos) return false;
    const size_t nameEnd = head.find_first_of(" \t\r\n/>", at + 1);
    if (nameEnd == std::string_view::npos) return false;
    const std::string_view name = head.substr(at + 1, nameEnd - at - 1);
    const size_t colon = name.find(':');
    if ((colon == std::string_view::npos ? name : name.substr(colon + 1)) != "Workbook") return false;
    const size_t tagEnd = head.find('>', nameEnd);
    return tagEnd != std::string_view::npos && head.substr(at, tagEnd - at).find(kNamespace) != std::string_view::npos;
}

std::string declaredXmlEncoding(std::string_view head) {
    if (!head.starts_with("<?xml")) return {};
    const size_t end = head.find("?>");
    std::string_view decl = head.substr(0, end);
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return {};
    at = decl.find_first_of("\"'", at);
    if (at == std::string_view::npos) return {};
    const size_t close = decl.find(decl[at], at + 1);
    return std::string(decl.substr(at + 1, close == std::string_view::npos ? std::string_view::npos : close - at - 1));
}

std::unique_ptr<BookData> readSpreadsheetMl(std::string_view xml, const std::string& where) {
    // The text is UTF-8 already; the declaration would make expat convert it again.
    if (xml.starts_with("<?xml")) {
        const size_t end = xml.find("?>");
        xml.remove_prefix(end == std::string_view::npos ? xml.size() : end + 2);
    }
    auto book = std::make_unique<BookData>();
    SsmlHandler handler(*book, where);
    xlsx::parseXml(handler, xml, where);
    if (book->sheets.empty()) throw EngineError(where + ": XML 表格中没有工作表");
    return book;
}

} // namespace tabrix::engine::ssml
