#include "engine/text/HtmlReader.h"

#include "engine/EngineError.h"
#include "engine/text/CellSink.h"
#include "engine/text/HtmlStyleSheet.h"
#include "engine/text/HtmlTokenizer.h"
#include "engine/text/SheetNaming.h"
#include "engine/text/TextValue.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace tabrix::engine::text {

namespace {
constexpr uint32_t kMaxColSpan = 1000;
constexpr uint32_t kMaxRowSpan = 65534;
// Rows covered by rowspans are marked per column; beyond this much marking a page is refused rather than
// letting a crafted table take minutes.
constexpr uint64_t kMaxSpanWork = 64ull << 20;

// HTML's rule for a non-negative integer attribute: the leading digits; none, or 0, gives 1.
uint32_t spanValue(const std::string* value, uint32_t limit) {
    if (!value) return 1;
    size_t i = 0;
    while (i < value->size() && (*value)[i] == ' ')
        ++i;
    uint64_t n = 0;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9' && n <= limit; ++i)
        n = n * 10 + uint64_t((*value)[i] - '0');
    return n == 0 ? 1 : uint32_t(std::min<uint64_t>(n, limit));
}

// Marks a line break that nested table structure makes (as against <br>): repeated ones make one break.
constexpr char kSoftBreak = '\x01';

bool isCellWhitespace(std::string_view t, size_t i, size_t& len) {
    const char c = t[i];
    len = 1;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f') return true;
    if (c == '\xC2' && i + 1 < t.size() && t[i + 1] == '\xA0') return len = 2, true; // no-break space
    return false;
}

// Each line trimmed, runs of white space (no-break spaces too) made one space; line breaks come from <br>.
std::string cellText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    bool pendingSpace = false;
    for (size_t i = 0; i < raw.size();) {
        size_t len = 1;
        if (raw[i] == '\n') {
            out += '\n';
            pendingSpace = false;
            ++i;
        } else if (raw[i] == kSoftBreak) {
            // Rows of a nested table: one line each, however many tags close between them.
            if (!out.empty() && out.back() != '\n') out += '\n';
            pendingSpace = false;
            ++i;
        } else if (isCellWhitespace(raw, i, len)) {
            pendingSpace = !out.empty() && out.back() != '\n';
            i += len;
        } else {
            if (pendingSpace) out += ' ';
            pendingSpace = false;
            out += raw[i++];
        }
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    size_t lead = 0;
    while (lead < out.size() && out[lead] == '\n')
        ++lead;
    return out.substr(lead);
}

struct OpenCell {
    uint32_t row = 0, col = 0, rowSpan = 1, colSpan = 1;
    bool hidden = false; ///< the page hides the cell: it keeps its place in the table, empty
    std::string raw;
    std::optional<std::string> str, num, boolean, error; ///< the export's type attributes
    std::string format;                                  ///< mso-number-format of the cell or its class
};

// The top-level table being read: it becomes one sheet.
struct Table {
    std::unique_ptr<SheetData> sheet;
    std::vector<uint32_t> busyUntil; ///< per column: the first row a rowspan above no longer covers
    bool inRow = false;
    uint32_t row = 0, nextRow = 0, col = 0;
    std::optional<OpenCell> cell;
    int nested = 0; ///< tables open inside this one
    std::optional<CellSink> sink;
    bool groupHidden = false;        ///< the open thead/tbody/tfoot is hidden
    uint32_t nextCol = 0;            ///< the column the next <col> describes
    std::vector<bool> hiddenColumns; ///< by <col>
};

// An element the page hides: the text inside it is left out until it ends. Inside it nothing else needs
// following, so one at a time is enough, and a page of many nested hidden elements costs nothing more.
struct HiddenElement {
    std::string name;
    uint32_t depth = 0;  ///< elements of the same name opened inside it and not yet closed
    int level = -1;      ///< the table nesting it belongs to: -1 outside tables, 0 a top-level table, 1 a table in it
    bool inCell = false; ///< opened in a cell of a top-level table, so it ends with that cell at the latest
};

bool isVoidElement(std::string_view name) {
    static constexpr std::string_view names[] = {"area",  "base", "br",   "col",   "embed",  "hr",    "img",
                                                 "input", "link", "meta", "param", "source", "track", "wbr"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// Whether a start tag of `name` ends an open element `open` of the same table, as an HTML parser ends an unclosed
// <td> at the next cell or a <p> at the next paragraph.
bool endsAtStart(std::string_view open, std::string_view name) {
    if (open == "td" || open == "th") return name == "td" || name == "th" || name == "tr";
    if (open == "dt" || open == "dd") return name == "dt" || name == "dd";
    return open == name && (open == "tr" || open == "p" || open == "li" || open == "option");
}

// Whether an end tag of `name` ends an open element `open` it is not named after.
bool endsAtEnd(std::string_view open, std::string_view name) {
    const bool group = name == "thead" || name == "tbody" || name == "tfoot";
    if (open == "td" || open == "th") return name == "tr" || group;
    return open == "tr" && group;
}

class HtmlBookBuilder {
public:
    HtmlBookBuilder(std::string where) : m_where(std::move(where)), m_book(std::make_unique<BookData>()) {}

    void token(const HtmlToken& t);
    void takeStyleSheet(std::string_view css) { m_css.parse(css); }
    std::unique_ptr<BookData> finish();

private:
    void startTag(const HtmlToken& t);
    void endTag(const std::string& name);
    void openTable();
    void closeTable();
    void newRow();
    void openCell(const HtmlToken& t);
    void closeCell();
    void putCell(const OpenCell& cell);
    void appendText(std::string_view text);
    void appendBreak(char mark);
    bool rowsHidden(const HtmlToken& tr) const;
    void addColumns(const HtmlToken& col);
    void setHiddenColumns();
    void hiddenStart(const HtmlToken& t);
    void hiddenEnd(const std::string& name);

    std::string m_where;
    std::unique_ptr<BookData> m_book;
    std::optional<Table> m_table;
    std::optional<HiddenElement> m_hidden;
    std::vector<std::unique_ptr<SheetData>> m_sheets;
    std::vector<std::string> m_sheetNames;
    HtmlStyleSheet m_css;
    bool m_skipping = false;
    uint64_t m_spanWork = 0;
};

void HtmlBookBuilder::token(const HtmlToken& t) {
    switch (t.kind) {
    case HtmlToken::Declaration:
        // Excel's page export hides a row of empty cells for browsers in <![if supportMisalignedColumns]>.
        if (t.text.starts_with("[if") && t.text.find("supportMisalignedColumns") != std::string::npos)
            m_skipping = true;
        else if (t.text.starts_with("[endif"))
            m_skipping = false;
        return;
    case HtmlToken::Comment:
        collectSheetNames(t.text, m_sheetNames);
        return;
    case HtmlToken::Text:
        if (t.name == "style")
            m_css.parse(t.text);
        else if (!m_skipping && t.name.empty())
            appendText(t.text);
        return;
    case HtmlToken::StartTag:
        if (m_skipping) return;
        hiddenStart(t);
        startTag(t);
        return;
    case HtmlToken::EndTag:
        if (m_skipping) return;
        endTag(t.name);
        hiddenEnd(t.name);
        return;
    }
}

// Called before the tag's own work, so that a hidden table inside a cell leaves no line break in it.
void HtmlBookBuilder::hiddenStart(const HtmlToken& t) {
    const int level = m_table ? m_table->nested : -1;
    if (m_hidden) {
        if (m_hidden->level == level && endsAtStart(m_hidden->name, t.name))
            m_hidden.reset();
        else if (t.name == m_hidden->name && !t.selfClosing)
            ++m_hidden->depth;
        if (m_hidden) return;
    }
    // A top-level table's rows and cells keep their place when hidden: rowsHidden and openCell see to them.
    const bool topLevel = m_table && m_table->nested == 0;
    if (topLevel && (t.name == "tr" || t.name == "td" || t.name == "th" || t.name == "thead" || t.name == "tbody" ||
                     t.name == "tfoot" || t.name == "colgroup"))
        return;
    // A page hidden as a whole is shown by its script once loaded (or only when not framed by another site): that
    // hides no table.
    if (t.name == "html" || t.name == "body") return;
    if (t.selfClosing || isVoidElement(t.name) || !m_css.hides(t)) return;
    const bool table = t.name == "table";
    m_hidden = HiddenElement{t.name, 0, table ? level + 1 : level, m_table && m_table->cell};
}

void HtmlBookBuilder::hiddenEnd(const std::string& name) {
    if (!m_hidden) return;
    if (m_table && m_hidden->level > m_table->nested) {
        m_hidden.reset(); // the table it was in has ended
    } else if (name == m_hidden->name) {
        if (m_hidden->depth == 0)
            m_hidden.reset();
        else
            --m_hidden->depth;
    } else if (m_hidden->level == (m_table ? m_table->nested : -1) && endsAtEnd(m_hidden->name, name)) {
        m_hidden.reset();
    }
}

// A hidden row (or group of rows) keeps its values and is hidden in the sheet: a spreadsheet program's page export
// writes its hidden rows so, and a page's rows folded away are data all the same.
bool HtmlBookBuilder::rowsHidden(const HtmlToken& tr) const {
    return m_table->groupHidden || m_css.hides(tr);
}

// <col> elements number the columns; a hidden one marks a hidden column of the sheet, whose cells the export
// hides too but which hold data.
void HtmlBookBuilder::addColumns(const HtmlToken& col) {
    Table& table = *m_table;
    const uint32_t span = spanValue(col.attribute("span"), kMaxColSpan);
    const uint32_t first = table.nextCol, end = std::min(kMaxCols, first + span);
    table.nextCol = end;
    if (first >= end || !m_css.hides(col)) return;
    if (table.hiddenColumns.size() < end) table.hiddenColumns.resize(end, false);
    std::fill(table.hiddenColumns.begin() + first, table.hiddenColumns.begin() + end, true);
}

void HtmlBookBuilder::setHiddenColumns() {
    const std::vector<bool>& hidden = m_table->hiddenColumns;
    for (size_t c = 0; c < hidden.size();) {
        if (!hidden[c]) {
            ++c;
            continue;
        }
        size_t last = c;
        while (last + 1 < hidden.size() && hidden[last + 1])
            ++last;
        ColumnInfo run;
        run.first = uint16_t(c);
        run.last = uint16_t(last);
        run.hidden = true;
        m_table->sheet->columns.push_back(run);
        c = last + 1;
    }
}

// Line breaks of <br> and of the structure of a table inside a cell.
void HtmlBookBuilder::appendBreak(char mark) {
    if (m_table && m_table->cell && !m_table->cell->hidden && !m_hidden) m_table->cell->raw += mark;
}

void HtmlBookBuilder::appendText(std::string_view text) {
    if (!m_table || !m_table->cell || m_table->cell->hidden || m_hidden) return;
    std::string& raw = m_table->cell->raw;
    for (char c : text)
        raw += (c == '\n' || c == '\r') ? ' ' : c;
}

void HtmlBookBuilder::startTag(const HtmlToken& t) {
    const std::string& n = t.name;
    if (n == "table") {
        if (t.selfClosing) return;
        if (m_table) {
            ++m_table->nested;
            appendBreak(kSoftBreak);
        } else {
            openTable();
        }
        return;
    }
    if (!m_table) return;
    if (n == "br") {
        appendBreak('\n');
    } else if (m_table->nested > 0) {
        // A table inside a cell: its cells are words of that cell, its rows lines.
        if (n == "tr")
            appendBreak(kSoftBreak);
        else if (n == "td" || n == "th")
            appendBreak(' ');
    } else if (n == "tr") {
        closeCell();
        newRow();
        if (rowsHidden(t)) m_table->sheet->rowForWrite(m_table->row).hidden = true;
    } else if (n == "td" || n == "th") {
        openCell(t);
    } else if (n == "thead" || n == "tbody" || n == "tfoot") {
        closeCell();
        m_table->inRow = false;
        m_table->groupHidden = m_css.hides(t);
    } else if (n == "col") {
        addColumns(t);
    }
}

void HtmlBookBuilder::endTag(const std::string& n) {
    if (!m_table) return;
    if (n == "table") {
        if (m_table->nested > 0) {
            --m_table->nested;
            appendBreak(kSoftBreak);
        } else {
            closeTable();
        }
    } else if (m_table->nested > 0) {
        if (n == "tr") appendBreak(kSoftBreak);
    } else if (n == "td" || n == "th") {
        closeCell();
    } else if (n == "tr" || n == "thead" || n == "tbody" || n == "tfoot") {
        closeCell();
        m_table->inRow = false;
        if (n != "tr") m_table->groupHidden = false;
    }
}

void HtmlBookBuilder::openTable() {
    m_table.emplace();
    m_table->sheet = std::make_unique<SheetData>();
    m_table->sink.emplace(*m_book, *m_table->sheet, m_where);
}

void HtmlBookBuilder::closeTable() {
    closeCell();
    setHiddenColumns();
    if (m_hidden && m_hidden->level >= 0) m_hidden.reset();
    m_sheets.push_back(std::move(m_table->sheet));
    m_table.reset();
}

void HtmlBookBuilder::newRow() {
    m_table->row = m_table->nextRow++;
    m_table->inRow = true;
    m_table->col = 0;
    if (m_table->groupHidden) m_table->sheet->rowForWrite(m_table->row).hidden = true;
}

void HtmlBookBuilder::openCell(const HtmlToken& t) {
    closeCell();
    Table& table = *m_table;
    if (!table.inRow) newRow(); // a cell outside any <tr> opens a row, as browsers do
    uint32_t col = table.col;
    while (col < table.busyUntil.size() && table.busyUntil[col] > table.row)
        ++col, ++m_spanWork;
    OpenCell cell;
    cell.row = table.row;
    cell.col = col;
    cell.colSpan = spanValue(t.attribute("colspan"), kMaxColSpan);
    cell.rowSpan = spanValue(t.attribute("rowspan"), kMaxRowSpan);
    table.sink->checkPlace(uint64_t(cell.row) + cell.rowSpan - 1, uint64_t(col) + cell.colSpan - 1);
    if (cell.rowSpan > 1) {
        if (table.busyUntil.size() < col + cell.colSpan) table.busyUntil.resize(col + cell.colSpan, 0);
        for (uint32_t c = col; c < col + cell.colSpan; ++c)
            table.busyUntil[c] = table.row + cell.rowSpan;
        m_spanWork += cell.colSpan;
    }
    if (m_spanWork > kMaxSpanWork) throw EngineError(m_where + ": 网页表格的合并单元格过多，无法按表格读取");
    table.col = col + cell.colSpan;
    const bool columnHidden = col < table.hiddenColumns.size() && table.hiddenColumns[col];
    cell.hidden = m_hidden || (!columnHidden && m_css.hides(t));
    if (auto* v = t.attribute("x:str")) cell.str = *v;
    if (auto* v = t.attribute("x:num")) cell.num = *v;
    if (auto* v = t.attribute("x:bool")) cell.boolean = *v;
    if (auto* v = t.attribute("x:err")) cell.error = *v;
    cell.format = m_css.cellFormat(t.attribute("style"), t.attribute("class"));
    table.cell = std::move(cell);
}

void HtmlBookBuilder::closeCell() {
    if (!m_table || !m_table->cell) return;
    OpenCell cell = std::move(*m_table->cell);
    m_table->cell.reset();
    if (m_hidden && m_hidden->inCell) m_hidden.reset();
    if (cell.hidden) return;
    if (cell.rowSpan > 1 || cell.colSpan > 1)
        m_table->sheet->merged.push_back(
            CellRect{cell.row, cell.col, cell.row + cell.rowSpan - 1, cell.col + cell.colSpan - 1});
    putCell(cell);
}

void HtmlBookBuilder::putCell(const OpenCell& cell) {
    CellSink& sink = *m_table->sink;
    const std::string text = cellText(cell.raw);
    const uint32_t r = cell.row, c = cell.col;
    if (cell.str) return sink.putText(r, c, cell.str->empty() ? text : *cell.str);
    if (cell.num) {
        std::string digits;
        for (char ch : cell.num->empty() ? text : *cell.num)
            if (ch != ',' && ch != ' ') digits += ch;
        double v = 0;
        auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (res.ec == std::errc() && res.ptr == digits.data() + digits.size() && !digits.empty())
            return sink.putNumber(r, c, v, cell.format.empty() ? "General" : cell.format);
    }
    if (cell.boolean) {
        std::string_view b = cell.boolean->empty() ? std::string_view(text) : std::string_view(*cell.boolean);
        return sink.putBoolean(r, c, b == "1" || b == "TRUE" || b == "true");
    }
    if (cell.error)
        if (auto code = errorFromText(cell.error->empty() ? text : *cell.error)) return sink.putError(r, c, *code);
    if (cell.format == "@") return sink.putText(r, c, text);
    sink.putTyped(r, c, text, cell.format.empty() ? 0 : sink.styleWithFormat(cell.format));
}

std::unique_ptr<BookData> HtmlBookBuilder::finish() {
    if (m_table) closeTable();
    if (m_sheets.empty()) throw EngineError(m_where + ": 网页中没有表格，不是工作簿");
    const bool named = m_sheetNames.size() == m_sheets.size();
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        std::string name = named ? m_sheetNames[i] : "Sheet" + std::to_string(i + 1);
        m_sheets[i]->name = validSheetName(name, *m_book, "Sheet" + std::to_string(i + 1));
        m_book->sheets.push_back(std::move(m_sheets[i]));
    }
    return std::move(m_book);
}
} // namespace

std::string declaredHtmlCharset(std::string_view head) {
    HtmlTokenizer tokenizer(head);
    HtmlToken t;
    while (tokenizer.next(t)) {
        if (t.kind != HtmlToken::StartTag || t.name != "meta") continue;
        if (auto* charset = t.attribute("charset")) return *charset;
        auto* content = t.attribute("content");
        if (!content) continue;
        std::string lowered;
        for (char c : *content)
            lowered += char(std::tolower(static_cast<unsigned char>(c)));
        size_t at = lowered.find("charset=");
        if (at == std::string::npos) continue;
        std::string label = content->substr(at + 8);
        return label.substr(0, label.find_first_of("; \"'"));
    }
    return {};
}

std::unique_ptr<BookData> readHtml(std::string_view page, const std::string& where, std::string_view styleSheet) {
    HtmlBookBuilder builder(where);
    builder.takeStyleSheet(styleSheet);
    HtmlTokenizer tokenizer(page);
    HtmlToken t;
    while (tokenizer.next(t))
        builder.token(t);
    return builder.finish();
}

} // namespace tabrix::engine::text
