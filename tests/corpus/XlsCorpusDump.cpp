// Prints what the 2003-format reader sees in one workbook as JSON, for check_xls_corpus.py to compare with the
// corpus oracles: every sheet with its kind and visibility, and for loaded sheets their merged areas and
// non-empty cells (type, value, whether the number format shows a date). A read error prints {"ok": false}.
// With --by-content the file is read as the object model opens it (any format, chosen by content), and the
// log line for a file that is not what its name says is printed as "note".
#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/xls/XlsReader.h"

#include <cmath>
#include <cstdio>
#include <string>

using namespace tabrix::engine;

namespace {
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

const char* kindName(SheetKind k) {
    switch (k) {
    case SheetKind::Chart: return "chart";
    case SheetKind::Macro: return "macro";
    case SheetKind::Dialog: return "dialog";
    default: return "worksheet";
    }
}

const char* visibilityName(Visibility v) {
    return v == Visibility::Hidden ? "hidden" : v == Visibility::VeryHidden ? "veryHidden" : "visible";
}

std::string number(double v) {
    if (!std::isfinite(v)) return quoted(std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf");
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string cellJson(const BookData& book, uint32_t row, const Cell& c) {
    std::string ref = quoted(cellName(row, c.col));
    switch (c.type) {
    case CellType::Number: {
        bool date = numfmt::isDateFormat(book.styles.get(c.style).numFmt);
        return "[" + ref + ",\"n\"," + number(c.number) + (date ? ",true]" : ",false]");
    }
    case CellType::Text: return "[" + ref + ",\"s\"," + quoted(book.text(c)) + "]";
    case CellType::Boolean: return "[" + ref + ",\"b\"," + (c.boolean ? "true]" : "false]");
    case CellType::Error: return "[" + ref + ",\"e\"," + quoted(std::string(errorText(c.error))) + "]";
    default: return {};
    }
}

void appendSheet(std::string& out, const BookData& book, SheetData& sheet) {
    out += "{\"name\":" + quoted(sheet.name) + ",\"kind\":\"" + kindName(sheet.kind) + "\",\"visibility\":\"" +
           visibilityName(sheet.visibility) + "\"";
    if (sheet.kind == SheetKind::Chart) {
        out += "}";
        return;
    }
    sheet.ensureLoaded();
    out += ",\"merged\":[";
    for (size_t i = 0; i < sheet.merged.size(); ++i) out += (i ? "," : "") + quoted(rangeName(sheet.merged[i], false));
    out += "],\"cells\":[";
    bool any = false;
    for (uint32_t r = 0; r < sheet.rowCount(); ++r)
        for (const Cell& c : sheet.rows()[r].cells) {
            std::string json = cellJson(book, r, c);
            if (json.empty()) continue;
            out += (any ? ",\n" : "\n") + json;
            any = true;
        }
    out += "]}";
}
} // namespace

int main(int argc, char** argv) {
    const bool byContent = argc == 3 && std::string(argv[1]) == "--by-content";
    if (argc != 2 && !byContent) {
        std::fprintf(stderr, "usage: xls_corpus_dump [--by-content] BOOK\n");
        return 2;
    }
    const std::string path = argv[argc - 1];
    std::string out;
    try {
        auto book = byContent ? readWorkbookFile(path) : xls::readXls(path);
        out = std::string("{\"ok\":true,\"date1904\":") + (book->date1904 ? "true" : "false");
        if (auto note = contentNote(path, book->content)) out += ",\"note\":" + quoted(*note);
        out += ",\"sheets\":[";
        for (size_t i = 0; i < book->sheets.size(); ++i) {
            if (i) out += ",\n";
            appendSheet(out, *book, *book->sheets[i]);
        }
        out += "]}\n";
    } catch (const EngineError& e) {
        out = "{\"ok\":false,\"error\":" + quoted(e.what()) + "}\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
