// The 2003-format writer on workbooks other programs made (the xlsx files of the corpus, as our xlsx reader
// sees them), on the largest sheet the format holds, and read back by our own reader.
#include "engine/EngineError.h"
#include "engine/XlrdDump.h"
#include "engine/XlsTestBook.h"
#include "engine/model/CellAddress.h"
#include "engine/xls/XlsReader.h"
#include "engine/xls/XlsWriter.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "support/TestPaths.h"

#include "engine/formula/StructuredRef.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace tabrix::engine;
using tabrix::test::bitsOf;
using tabrix::test::bitsOfHex;
using tabrix::test::TempDir;
using tabrix::test::XlrdDump;
using tabrix::test::XlsTestBook;
namespace fs = std::filesystem;

namespace {

bool written(const Cell& c) {
    return c.type != CellType::Empty || c.style != 0 || c.hasFormula();
}

// Differences between the book's cells and what xlrd read from the file, one line each ("" when none).
std::string compareWithXlrd(const BookData& book, const XlrdDump& d) {
    std::string problems;
    size_t cells = 0;
    // Sheets by position: a name too long for the format is shortened in the file.
    std::vector<std::string> fileNames;
    std::string all = d["book.sheets"];
    for (size_t start = 0, bar; start <= all.size(); start = bar + 1) {
        bar = all.find('|', start);
        if (bar == std::string::npos) bar = all.size();
        fileNames.push_back(all.substr(start, bar - start));
    }
    size_t file = 0;
    for (const auto& sheet : book.sheets) {
        if (sheet->kind == SheetKind::Chart) continue;
        const std::string fileName = file < fileNames.size() ? fileNames[file++] : sheet->name;
        const auto& rows = sheet->rows();
        for (uint32_t r = 0; r < rows.size(); ++r) {
            for (const Cell& c : rows[r].cells) {
                if (!written(c)) continue;
                ++cells;
                std::string key = fileName + "!" + cellName(r, c.col);
                std::string type = d[key + ".type"], value = d[key + ".value"];
                bool same = true;
                switch (c.type) {
                case CellType::Number:
                    same = (type == "number" || type == "date") && bitsOfHex(d[key + ".hex"]) == bitsOf(c.number);
                    break;
                case CellType::Text:
                    same = type == "text" && value == book.text(c);
                    break;
                case CellType::Boolean:
                    same = value == (c.boolean ? "TRUE" : "FALSE");
                    break;
                case CellType::Error:
                    same = type == "error" && (value == errorText(c.error) || c.error == ErrorCode::GettingData);
                    break;
                case CellType::Empty:
                    same = c.hasFormula() ? type == "text" && value.empty() : type == "blank";
                    break;
                }
                if (!same && problems.size() < 2000) problems += key + ": got " + type + " " + value + "\n";
            }
        }
    }
    size_t read = 0;
    for (const auto& [key, v] : d.values())
        if (key.size() > 5 && key.compare(key.size() - 5, 5, ".type") == 0 && key.find('!') != std::string::npos)
            ++read;
    if (read != cells)
        problems += "xlrd read " + std::to_string(read) + " cells, the book has " + std::to_string(cells);
    return problems;
}

// Names of the parts of two styles that differ, e.g. "font.color fill". The theme scheme of a font is left out:
// the 2003 format has no themes.
std::string styleDifference(const Style& a, const Style& b) {
    std::string out;
    auto check = [&](bool same, const char* what) {
        if (!same) out += std::string(out.empty() ? "" : " ") + what;
    };
    check(a.numFmt == b.numFmt, "numFmt");
    check(a.font.name == b.font.name, "font.name");
    check(a.font.size == b.font.size, "font.size");
    check(a.font.bold == b.font.bold && a.font.italic == b.font.italic && a.font.strike == b.font.strike &&
              a.font.underline == b.font.underline && a.font.vertAlign == b.font.vertAlign,
          "font.look");
    check(a.font.outline == b.font.outline && a.font.shadow == b.font.shadow, "font.outline");
    check(a.font.color == b.font.color, "font.color");
    check(a.font.family == b.font.family && a.font.charset == b.font.charset, "font.family");
    check(a.fill == b.fill, "fill");
    check(a.border == b.border, "border");
    check(a.alignment == b.alignment, "alignment");
    check(a.protection == b.protection, "protection");
    return out;
}

// Formulas the save log says were written as their values on a sheet: the cells it names plus those it counts.
size_t loggedFallbacks(const std::vector<std::string>& log, const std::string& sheet) {
    const std::string named = "工作表“" + sheet + "”单元格 ", counted = "工作表“" + sheet + "”另有 ";
    size_t n = 0;
    for (const std::string& line : log) {
        if (line.find("的公式无法保存为 2003 格式") == std::string::npos) continue;
        if (line.starts_with(named)) ++n;
        if (line.starts_with(counted)) n += std::stoul(line.substr(counted.size()));
    }
    return n;
}

// Formula text without the spaces between tokens, which the 2003 format keeps only as optional tokens.
std::string withoutSpaces(const std::string& f) {
    std::string out;
    bool quoted = false;
    for (char c : f) {
        if (c == '"') quoted = !quoted;
        if (c != ' ' || quoted) out += c;
    }
    return out;
}

// Differences between the book and what our own reader makes of the file written from it: values, formulas that
// were written as formulas, and styles, compared as the cell dump shows them (a formula with no result known
// reads back with an empty text result; an empty cell whose format equals the default one is no cell).
// The format has no tables: a structured reference is written as the cells it stands for.
std::string withoutTables(const BookData& book, const SheetData& sheet, uint32_t row, const Cell& c) {
    const std::string& text = book.formulaText(c);
    auto lookup = [&](std::string_view name) -> std::optional<formula::TableOnSheet> {
        for (const auto& s : book.sheets)
            for (const SheetTable& t : s->tables)
                if (name.empty() ? s.get() == &sheet && t.ref.contains(row, c.col)
                                 : withoutSpaces(t.name) == withoutSpaces(std::string(name)))
                    return formula::TableOnSheet{&t, s->name};
        return std::nullopt;
    };
    std::string out = formula::replaceStructuredRefs(text, lookup, row, sheet.name).value_or(text);
    // WEEKNUM's optional return type is written out (its default, 1).
    if (out.starts_with("WEEKNUM(") && out.back() == ')' && out.find(',') == std::string::npos)
        out.insert(out.size() - 1, ",1");
    return out;
}

std::string compareWithOurReader(const BookData& book, const BookData& back, const std::vector<std::string>& log) {
    std::string problems;
    auto note = [&](const std::string& line) {
        if (problems.size() < 2000) problems += line + "\n";
    };
    size_t file = 0;
    for (const auto& sheet : book.sheets) {
        if (sheet->kind == SheetKind::Chart) continue;
        if (file >= back.sheets.size()) return problems + "sheet " + sheet->name + " missing";
        SheetData& got = *back.sheets[file++];
        got.ensureLoaded();
        if (sheet->name.size() <= 31 && got.name != sheet->name)
            note("sheet " + got.name + " instead of " + sheet->name);
        size_t fellBack = 0;
        const auto& rows = sheet->rows();
        for (uint32_t r = 0; r < rows.size() && r < 65536; ++r) {
            for (const Cell& c : rows[r].cells) {
                if (!written(c)) continue;
                std::string where = sheet->name + "!" + cellName(r, c.col);
                const Cell* g = got.find(r, c.col);
                if (!g) {
                    bool plain = c.type == CellType::Empty && !c.hasFormula() &&
                                 styleDifference(book.styles.get(c.style), book.styles.get(0)).empty();
                    if (!plain) note(where + ": missing");
                    continue;
                }
                bool noResult = c.type == CellType::Empty && c.hasFormula();
                bool same = g->type == c.type || (noResult && g->type == CellType::Text && back.text(*g).empty());
                if (same && c.type == CellType::Number) same = bitsOf(g->number) == bitsOf(c.number);
                if (same && c.type == CellType::Text) same = back.text(*g) == book.text(c);
                if (same && c.type == CellType::Boolean) same = g->boolean == c.boolean;
                if (same && c.type == CellType::Error) same = g->error == c.error;
                if (!same)
                    note(where + ": value differs, type " + std::to_string(int(g->type)) + " instead of " +
                         std::to_string(int(c.type)));
                if (c.hasFormula() && !g->hasFormula()) ++fellBack;
                if (c.hasFormula() && g->hasFormula() &&
                    withoutSpaces(back.formulaText(*g)) != withoutSpaces(withoutTables(book, *sheet, r, c)))
                    note(where + ": formula " + book.formulaText(c) + " came back as " + back.formulaText(*g));
                if (auto diff = styleDifference(back.styles.get(g->style), book.styles.get(c.style)); !diff.empty())
                    note(where + ": style differs in " + diff);
            }
        }
        if (fellBack != loggedFallbacks(log, sheet->name))
            note(sheet->name + ": " + std::to_string(fellBack) + " formulas came back as values, the log says " +
                 std::to_string(loggedFallbacks(log, sheet->name)));
    }
    return problems;
}

bool fitsTheFormat(BookData& book) {
    for (auto& sheet : book.sheets) {
        sheet->ensureLoaded();
        auto used = sheet->usedRect();
        if (used && (used->lastRow >= 65536 || used->lastCol >= 256)) return false;
    }
    return true;
}

} // namespace

TEST(XlsWriterCorpus, EveryXlsxThatFitsIsReadBackByXlrdWithTheSameValues) {
    fs::path dir = tabrix::test::corpusDir() / "files";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus";
    int written = 0, tooLarge = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".xlsx") continue;
        const std::string name = entry.path().filename().string();
        std::unique_ptr<BookData> book;
        try {
            book = xlsx::readXlsx(entry.path().string());
            if (!fitsTheFormat(*book)) {
                ++tooLarge;
                TempDir out;
                std::vector<std::string> warnings;
                EXPECT_THROW(xls::writeXls(*book, out.file("x.xls"), warnings), EngineError) << name;
                continue;
            }
        } catch (const EngineError&) {
            continue; // encrypted or unreadable: the xlsx reader's tests cover those
        }
        TempDir out;
        std::vector<std::string> warnings;
        ASSERT_NO_THROW(xls::writeXls(*book, out.file("x.xls"), warnings)) << name;
        XlrdDump d(out.file("x.xls"), "--values");
        EXPECT_EQ(d.error(), "") << name;
        EXPECT_EQ(compareWithXlrd(*book, d), "") << name;
        std::unique_ptr<BookData> back;
        ASSERT_NO_THROW(back = xls::readXls(out.file("x.xls"))) << name;
        EXPECT_EQ(compareWithOurReader(*book, *back, warnings), "") << name;
        ++written;
    }
    std::printf("corpus: %d xlsx files written as .xls, %d too large for the format\n", written, tooLarge);
    EXPECT_GT(written, 20);
}

TEST(XlsWriterCorpus, EveryXlsOurReaderOpensIsWrittenAgainWithTheSameValues) {
    // Saving a workbook back in the format it came in: BIFF5 files with 8-bit text, files from other producers.
    fs::path dir = tabrix::test::corpusDir() / "files";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus";
    int written = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string ext = entry.path().extension().string();
        if (ext != ".xls" && ext != ".XLS") continue;
        const std::string name = entry.path().filename().string();
        std::unique_ptr<BookData> book;
        try {
            book = xls::readXls(entry.path().string());
            for (auto& sheet : book->sheets)
                sheet->ensureLoaded();
        } catch (const EngineError&) {
            continue; // encrypted or not readable: the reader's tests cover those
        }
        TempDir out;
        std::vector<std::string> warnings;
        ASSERT_NO_THROW(xls::writeXls(*book, out.file("x.xls"), warnings)) << name;
        XlrdDump d(out.file("x.xls"), "--values");
        EXPECT_EQ(d.error(), "") << name;
        EXPECT_EQ(compareWithXlrd(*book, d), "") << name;
        std::unique_ptr<BookData> back;
        ASSERT_NO_THROW(back = xls::readXls(out.file("x.xls"))) << name;
        EXPECT_EQ(compareWithOurReader(*book, *back, warnings), "") << name;
        ++written;
    }
    std::printf("corpus: %d xls files written again\n", written);
    EXPECT_GT(written, 30);
}

TEST(XlsWriterLarge, TheWholeGridOfTheFormatInBigBlocks) {
    // 65,536 rows of 10 columns and the last column: a stream of megabytes, which the container keeps in big
    // blocks rather than the small-block stream.
    XlsTestBook t;
    SheetData& s = t.sheet("Grid");
    double sum = 0;
    size_t chars = 0;
    for (uint32_t r = 0; r < 65536; ++r) {
        for (uint32_t c = 0; c < 8; ++c) {
            double v = c % 2 ? r * 10.0 + c : (r + 0.37) * (c + 1);
            t.number(s, r, c, v);
            sum += v;
        }
        std::string text = "行" + std::to_string(r);
        t.text(s, r, 8, text);
        t.text(s, r, 9, r % 2 ? "odd" : "even");
        chars += 1 + std::to_string(r).size() + (r % 2 ? 3 : 4);
    }
    t.number(s, 0, 255, 1);
    sum += 1;
    TempDir dir;
    std::vector<std::string> warnings;
    xls::writeXls(t.book, dir.file("grid.xls"), warnings);
    EXPECT_GT(fs::file_size(dir.file("grid.xls")), 5u << 20);
    XlrdDump d(dir.file("grid.xls"), "--summary --sample A1,H65536,I65536,J60000,IV1");
    ASSERT_EQ(d.error(), "");
    EXPECT_EQ(d["Grid.nrows"], "65536");
    EXPECT_EQ(d["Grid.ncols"], "256");
    EXPECT_EQ(d["Grid.cells"], std::to_string(65536 * 10 + 1));
    EXPECT_EQ(d["Grid.textChars"], std::to_string(chars));
    EXPECT_NEAR(std::stod(d["Grid.sum"]), sum, std::abs(sum) * 1e-12);
    EXPECT_EQ(d["Grid!A1.value"], "0.37");
    EXPECT_EQ(d["Grid!H65536.value"], "655357.0");
    EXPECT_EQ(d["Grid!I65536.value"], "行65535");
    EXPECT_EQ(d["Grid!J60000.value"], "odd");
    EXPECT_EQ(d["Grid!IV1.value"], "1.0");
}

TEST(XlsWriterRoundTrip, OurReaderSeesWhatWasWritten) {
    XlsTestBook t;
    SheetData& s = t.sheet("Round");
    Style date, money;
    date.numFmt = "yyyy-mm-dd";
    money.numFmt = "#,##0.00";
    money.font.bold = true;
    money.fill = {1, 0xFFC6EFCE, 0};
    money.border.bottom = {2, 0xFF006100};
    for (uint32_t r = 0; r < 300; ++r) {
        t.number(s, r, 0, 45000 + r, t.style(date));
        t.number(s, r, 1, r * 1.25 - 100, t.style(money));
        t.text(s, r, 2, r % 3 ? "客户" + std::to_string(r % 17) : "");
        if (r % 7 == 0) t.boolean(s, r, 3, r % 2);
        if (r % 11 == 0) t.error(s, r, 4, ErrorCode::NA);
        t.formula(s, r, 5, "B" + std::to_string(r + 1) + "*2").type = CellType::Number;
        s.at(r, 5).number = (r * 1.25 - 100) * 2;
    }
    s.merged.push_back({0, 6, 1, 7});
    s.setColumnInfo({2, 2, 15, 0, false, 0}); // whole pixels: 110
    s.rowForWrite(3).height = 24;
    TempDir dir;
    std::vector<std::string> warnings;
    xls::writeXls(t.book, dir.file("r.xls"), warnings);
    auto back = xls::readXls(dir.file("r.xls"));
    ASSERT_EQ(back->sheets.size(), 1u);
    SheetData& b = *back->sheets[0];
    b.ensureLoaded();
    for (uint32_t r = 0; r < 300; ++r) {
        for (const Cell& c : s.rows()[r].cells) {
            const Cell* got = b.find(r, c.col);
            std::string where = cellName(r, c.col);
            ASSERT_NE(got, nullptr) << where;
            ASSERT_EQ(got->type, c.type) << where;
            switch (c.type) {
            case CellType::Number:
                EXPECT_EQ(bitsOf(got->number), bitsOf(c.number)) << where;
                break;
            case CellType::Text:
                EXPECT_EQ(back->text(*got), t.book.text(c)) << where;
                break;
            case CellType::Boolean:
                EXPECT_EQ(got->boolean, c.boolean) << where;
                break;
            case CellType::Error:
                EXPECT_EQ(got->error, c.error) << where;
                break;
            case CellType::Empty:
                break;
            }
            ASSERT_EQ(got->hasFormula(), c.hasFormula()) << where;
            if (c.hasFormula()) {
                EXPECT_EQ(back->formulaText(*got), t.book.formulaText(c)) << where;
            }
            EXPECT_EQ(back->styles.get(got->style), t.book.styles.get(c.style)) << where;
        }
    }
    ASSERT_EQ(b.merged.size(), 1u);
    EXPECT_EQ(b.merged[0], (CellRect{0, 6, 1, 7}));
    ASSERT_NE(b.columnInfo(2), nullptr);
    EXPECT_NEAR(b.columnInfo(2)->width, 15, 1e-9);
    EXPECT_FLOAT_EQ(b.row(3)->height, 24);
}
