#include "cli/CellDump.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/object/FormulaDisplay.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <charconv>
#include <vector>

namespace tabrix::cli {

using namespace tabrix::engine;

void appendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
}

namespace {
// Output is built in a large buffer and written in blocks: a million-row sheet is ten million lines.
class Output {
public:
    explicit Output(std::FILE* file) : m_file(file) { m_buf.reserve(1 << 20); }
    ~Output() { flush(); }
    std::string& buf() { return m_buf; }
    void lineDone() {
        m_buf += '\n';
        if (m_buf.size() > (1 << 20) - 4096) flush();
    }
    void flush() {
        std::fwrite(m_buf.data(), 1, m_buf.size(), m_file);
        m_buf.clear();
    }

private:
    std::FILE* m_file;
    std::string m_buf;
};

void appendNumber(std::string& out, double v) {
    char tmp[32];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
    out.append(tmp, res.ptr);
}

void appendAddress(std::string& out, uint32_t row, uint32_t col) {
    out += columnLetters(col);
    char tmp[16];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, row + 1);
    out.append(tmp, res.ptr);
}

void dumpCell(std::string& out, const BookData& book, const SheetData& sheet, uint32_t row, const Cell& c,
              std::vector<int8_t>& dated) {
    appendAddress(out, row, c.col);
    switch (c.type) {
    case CellType::Number: {
        if (c.style >= dated.size()) dated.resize(size_t(c.style) + 1, -1);
        if (dated[c.style] < 0) dated[c.style] = numfmt::isDateFormat(book.styles.get(c.style).numFmt) ? 1 : 0;
        out += dated[c.style] ? "\td\t" : "\tn\t";
        appendNumber(out, c.number);
        break;
    }
    case CellType::Text:
        out += "\ts\t";
        appendEscaped(out, book.text(c));
        break;
    case CellType::Boolean:
        out += c.boolean ? "\tb\tTRUE" : "\tb\tFALSE";
        break;
    case CellType::Error:
        out += "\te\t";
        out += errorText(c.error);
        break;
    case CellType::Empty:
        out += "\ts\t"; // a formula without a cached result
        break;
    }
    if (c.hasFormula()) {
        // An array formula shows in braces on the first cell of its area, as the application shows it.
        const bool array = sheet.arrayAt(row, c.col) != nullptr;
        out += array ? "\t{=" : "\t=";
        appendEscaped(out, displayFormula(book, book.formulaText(c)));
        if (array) out += '}';
    }
}

void dumpSheet(Worksheet& ws, Output& out) {
    const BookData& book = ws.workbook().data();
    Range used = ws.UsedRange();
    std::string& buf = out.buf();
    buf += "# sheet " + ws.Name() + " rows=" + std::to_string(used.Rows().Count()) +
           " cols=" + std::to_string(used.Columns().Count());
    out.lineDone();
    std::vector<int8_t> dated;
    const SheetData& sheet = ws.data();
    for (uint32_t r = 0; r < sheet.rowCount(); ++r) {
        for (const Cell& c : sheet.rows()[r].cells) {
            if (c.isBlank() && !c.hasFormula()) continue;
            dumpCell(out.buf(), book, sheet, r, c, dated);
            out.lineDone();
        }
    }
}
} // namespace

void dumpWorkbook(Workbook& book, const std::string& onlySheet, std::FILE* file) {
    Output out(file);
    if (!onlySheet.empty()) {
        dumpSheet(book.Worksheets(onlySheet), out);
        return;
    }
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i) {
        Worksheet& ws = book.Worksheets(i);
        dumpSheet(ws, out);
        // A dumped sheet is not needed again: free it before the next one is read.
        ws.data().rows().clear();
        ws.data().rows().shrink_to_fit();
    }
}

} // namespace tabrix::cli
