// The xlsx writer, checked through openpyxl: values, formulas, styles, sheet layout and package-level state.
#include "engine/EngineError.h"
#include "engine/WriterTestBooks.h"
#include "engine/model/CellAddress.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cfloat>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstring>

using namespace tabrix::engine;
using namespace tabrix::test;

// Numbers must come back bit for bit; 16 significant digits (a plain printf) lose 0.1+0.2.
TEST(XlsxWriterValues, NumbersReadBackBitIdentical) {
    BookData book;
    auto& s = addSheet(book, "Data");
    const double values[] = {0.1 + 0.2, 1e-300, 123456789012345.0, 1e308, DBL_MAX, 5e-324, 1.0 / 3,
                             -1.5e-7,   42.0,   9007199254740992.0, 2.5e15 + 0.5, -0.0};
    for (uint32_t i = 0; i < std::size(values); ++i) setNumber(s, i, 0, values[i]);
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    for (uint32_t i = 0; i < std::size(values); ++i) {
        std::string cell = "Data!A" + std::to_string(i + 1);
        EXPECT_EQ(dump[cell + ".type"], "n") << cell;
        // openpyxl's repr of the float is its shortest exact spelling, so parsing it gives the bits it read.
        double back = std::strtod(dump[cell + ".value"].c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &values[i], sizeof back), 0) << cell << " " << dump[cell + ".value"];
    }
}

TEST(XlsxWriterValues, TextKeepsEveryCharacter) {
    BookData book;
    auto& s = addSheet(book, "Data");
    std::string cjk;
    for (int i = 0; i < 10000; ++i) cjk += "汉";
    const std::string texts[] = {cjk, "a\tb\nc", "  lead and trail  ", "😀𠀀 beyond the BMP", "<&>\"'", ""};
    for (uint32_t i = 0; i < std::size(texts); ++i) setText(book, s, i, 1, texts[i]);
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    for (uint32_t i = 0; i < std::size(texts); ++i) {
        std::string cell = "Data!B" + std::to_string(i + 1);
        EXPECT_EQ(dump[cell + ".type"], "s") << cell;
        EXPECT_EQ(dump[cell + ".value"], texts[i]) << cell;
    }
}

// XML cannot carry most control characters; they go as the format's _xHHHH_ escapes, which openpyxl shows
// undecoded. A raw control byte would make the whole sheet unreadable.
TEST(XlsxWriterValues, ControlCharactersAreEscapedNotWrittenRaw) {
    BookData book;
    auto& s = addSheet(book, "Data");
    setText(book, s, 0, 0, std::string("a\x01" "b\rc\x1f", 6));
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.value"], "a_x0001_b_x000D_c_x001F_");
}

TEST(XlsxWriterValues, TextLengthLimitCountsUtf16Units) {
    TempDir dir;
    {
        // Five longest texts in one row: more than the writer's buffer holds at once.
        BookData book;
        auto& s = addSheet(book, "Data");
        for (uint32_t c = 1; c <= 5; ++c) setText(book, s, 1, c, std::string(32767, char('a' + c)));
        auto dump = saveAndDump(book, dir);
        EXPECT_EQ(dump["Data!B2.value"], std::string(32767, 'b'));
        EXPECT_EQ(dump["Data!F2.value"], std::string(32767, 'f'));
    }
    {
        BookData book;
        auto& s = addSheet(book, "长表");
        setText(book, s, 1, 1, std::string(32768, 'x'));
        try {
            save(book, dir.file("long.xlsx"));
            FAIL() << "no error for 32,768 characters";
        } catch (const EngineError& e) {
            std::string what = e.what();
            EXPECT_NE(what.find("长表"), std::string::npos) << what;
            EXPECT_NE(what.find("B2"), std::string::npos) << what;
        }
    }
    {
        // 16,384 characters beyond the BMP are 32,768 UTF-16 units, though only 16,384 code points.
        BookData book;
        auto& s = addSheet(book, "Data");
        std::string emoji;
        for (int i = 0; i < 16384; ++i) emoji += "😀";
        setText(book, s, 0, 0, emoji);
        EXPECT_THROW(save(book, dir.file("emoji.xlsx")), EngineError);
    }
}

TEST(XlsxWriterValues, BooleansAndEveryErrorValue) {
    BookData book;
    auto& s = addSheet(book, "Data");
    setBool(s, 0, 0, true);
    setBool(s, 0, 1, false);
    const ErrorCode errors[] = {ErrorCode::Null, ErrorCode::Div0, ErrorCode::Value, ErrorCode::Ref,
                                ErrorCode::Name, ErrorCode::Num,  ErrorCode::NA,    ErrorCode::GettingData};
    for (uint32_t i = 0; i < std::size(errors); ++i) setError(s, 1, i, errors[i]);
    setNumber(s, 2, 0, std::nan(""));
    setNumber(s, 2, 1, -HUGE_VAL);
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.type"], "b");
    EXPECT_EQ(dump["Data!A1.value"], "True");
    EXPECT_EQ(dump["Data!B1.value"], "False");
    for (uint32_t i = 0; i < std::size(errors); ++i) {
        std::string cell = "Data!" + columnLetters(i) + "2";
        EXPECT_EQ(dump[cell + ".type"], "e") << cell;
        EXPECT_EQ(dump[cell + ".value"], errorText(errors[i])) << cell;
    }
    // Neither format has NaN or infinities; the application shows such results as #NUM!.
    EXPECT_EQ(dump["Data!A3.value"], "#NUM!");
    EXPECT_EQ(dump["Data!B3.type"], "e");
}

TEST(XlsxWriterValues, FormulasKeepTheirCachedResultOfEachType) {
    BookData book;
    auto& s = addSheet(book, "Data");
    setNumber(s, 0, 0, 2.5);
    book.setFormula(s.at(0, 1), "A1*2");
    setNumber(s, 0, 1, 0.1 + 0.2);
    book.setFormula(s.at(0, 2), "\"x\"&\"<y>\"");
    setText(book, s, 0, 2, "x<y>");
    book.setFormula(s.at(0, 3), "A1>1");
    setBool(s, 0, 3, true);
    book.setFormula(s.at(0, 4), "1/0");
    setError(s, 0, 4, ErrorCode::Div0);
    book.setFormula(s.at(0, 5), "NOW()");
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!B1.formula"], "=A1*2");
    EXPECT_EQ(dump["Data!B1.cached"], "0.30000000000000004");
    EXPECT_EQ(dump["Data!C1.formula"], "=\"x\"&\"<y>\"");
    EXPECT_EQ(dump["Data!C1.cached"], "'x<y>'");
    EXPECT_EQ(dump["Data!D1.cached"], "True");
    EXPECT_EQ(dump["Data!D1.cachedType"], "b");
    EXPECT_EQ(dump["Data!E1.cached"], "'#DIV/0!'");
    EXPECT_EQ(dump["Data!E1.cachedType"], "e");
    EXPECT_EQ(dump["Data!F1.formula"], "=NOW()");
    EXPECT_EQ(dump["Data!F1.cached"], "");
}

namespace {

Style fullStyle() {
    Style st;
    st.numFmt = "#,##0.00;[Red]-#,##0.00";
    st.font.name = "宋体";
    st.font.size = 12.5;
    st.font.bold = st.font.italic = st.font.strike = true;
    st.font.underline = Underline::Double;
    st.font.vertAlign = VertAlignRun::Superscript;
    st.font.color = 0xFF112233;
    st.fill = {9, 0xFF00FF00, 0xFF0000FF}; // darkGrid
    st.border.left = {1, 0xFFFF0000};
    st.border.right = {2, 0};
    st.border.top = {3, 0xFF00FF00};
    st.border.bottom = {6, 0xFF000000};
    st.border.diagonal = {7, 0xFF0000FF};
    st.border.diagonalUp = st.border.diagonalDown = true;
    st.alignment.horizontal = 6; // centerContinuous
    st.alignment.vertical = 1;   // center
    st.alignment.wrap = true;
    st.alignment.rotation = 45;
    st.protection.locked = false;
    st.protection.hidden = true;
    return st;
}

} // namespace

TEST(XlsxWriterStyles, EveryPartOfAStyleArrives) {
    BookData book;
    auto& s = addSheet(book, "Data");
    setNumber(s, 0, 0, 1234.5, book.styles.intern(fullStyle()));
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.numfmt"], "#,##0.00;[Red]-#,##0.00");
    EXPECT_EQ(dump["Data!A1.font"], "宋体|12.5|b1|i1|u=double|s1|FF112233|va=superscript");
    EXPECT_EQ(dump["Data!A1.fill"], "darkGrid|fg=FF00FF00|bg=FF0000FF");
    EXPECT_EQ(dump["Data!A1.border"],
              "l=thin/FFFF0000 r=medium/auto t=dashed/FF00FF00 b=double/FF000000 d=hair/FF0000FF:updown");
    EXPECT_EQ(dump["Data!A1.align"], "h=centerContinuous v=center wrap=1 shrink=0 indent=0 rot=45");
    EXPECT_EQ(dump["Data!A1.prot"], "locked=0 hidden=1");
}

TEST(XlsxWriterStyles, AlignmentVariantsAndRotationEncodings) {
    BookData book;
    auto& s = addSheet(book, "Data");
    auto styled = [&](uint8_t h, uint8_t v, uint8_t rotation, uint8_t indent, bool shrink) {
        Style st;
        st.alignment = {h, v, false, shrink, indent, rotation};
        return book.styles.intern(st);
    };
    setNumber(s, 0, 0, 1, styled(7, 4, 0, 0, false));   // distributed both ways
    setNumber(s, 1, 0, 1, styled(1, 0, 135, 2, false)); // 45 degrees down, stored as 135
    setNumber(s, 2, 0, 1, styled(0, 3, 255, 0, true));  // stacked text
    setNumber(s, 3, 0, 1, styled(3, 2, 90, 0, false));
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.align"], "h=distributed v=distributed wrap=0 shrink=0 indent=0 rot=0");
    EXPECT_EQ(dump["Data!A2.align"], "h=left v=top wrap=0 shrink=0 indent=2 rot=135");
    EXPECT_EQ(dump["Data!A3.align"], "h=general v=justify wrap=0 shrink=1 indent=0 rot=255");
    EXPECT_EQ(dump["Data!A4.align"], "h=right v=bottom wrap=0 shrink=0 indent=0 rot=90");
}

// A solid fill shows its foreground colour; both colours must come back the way round they went in.
TEST(XlsxWriterStyles, SolidFillsKeepTheirColoursTheRightWayRound) {
    BookData book;
    auto& s = addSheet(book, "Data");
    Style onlyFg, both, black;
    onlyFg.fill = {1, 0xFFFFFF00, 0};
    both.fill = {1, 0xFF00FF00, 0xFF0000FF};
    black.fill = {1, 0xFF000000, 0};
    black.font.color = 0xFF000000;
    setNumber(s, 0, 0, 1, book.styles.intern(onlyFg));
    setNumber(s, 1, 0, 1, book.styles.intern(both));
    setNumber(s, 2, 0, 1, book.styles.intern(black));
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.fill"].substr(0, 18), "solid|fg=FFFFFF00|");
    EXPECT_EQ(dump["Data!A2.fill"], "solid|fg=FF00FF00|bg=FF0000FF");
    // Black is 0 in RGB, the same as "no colour" once the alpha byte is dropped.
    EXPECT_EQ(dump["Data!A3.fill"].substr(0, 18), "solid|fg=FF000000|");
    EXPECT_NE(dump["Data!A3.font"].find("|FF000000|"), std::string::npos) << dump["Data!A3.font"];
}

TEST(XlsxWriterStyles, DefaultStyleGetsNoFormatAndStyledBlanksStay) {
    BookData book;
    auto& s = addSheet(book, "Data");
    setNumber(s, 0, 0, 1);
    Style bold;
    bold.font.bold = true;
    uint32_t boldId = book.styles.intern(bold);
    s.at(1, 1).style = boldId; // blank but formatted
    s.at(2, 2);                // blank and unformatted: nothing to write
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.styled"], "0");
    EXPECT_EQ(dump["Data!B2.styled"], "1");
    EXPECT_FALSE(dump.has("Data!B2.value"));
    EXPECT_NE(dump["Data!B2.font"].find("|b1|"), std::string::npos);
    EXPECT_FALSE(dump.has("Data!C3.type"));
}

TEST(XlsxWriterStyles, NumberFormatsExactlyIncludingLongOnesAndDates) {
    BookData book;
    auto& s = addSheet(book, "Data");
    std::string longCode = "[$-804]yyyy\"年\"m\"月\"d\"日\" dddd";
    while (longCode.size() < 200) longCode += " \"填充文字\"";
    auto fmt = [&](const std::string& code) {
        Style st;
        st.numFmt = code;
        return book.styles.intern(st);
    };
    setNumber(s, 0, 0, 45296, fmt("yyyy-mm-dd"));
    setNumber(s, 1, 0, 0.5, fmt("0.00%"));
    setNumber(s, 2, 0, 45296, fmt(longCode));
    setNumber(s, 3, 0, 1, fmt("General"));
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    EXPECT_EQ(dump["Data!A1.type"], "d");
    EXPECT_EQ(dump["Data!A1.value"], "2024-01-05T00:00:00");
    EXPECT_EQ(dump["Data!A2.numfmt"], "0.00%");
    EXPECT_EQ(dump["Data!A3.numfmt"], longCode);
    EXPECT_EQ(dump["Data!A4.numfmt"], "General");
}

// A Qt program runs in the user's locale; with a decimal comma, a printf-style writer would write "12,5".
TEST(XlsxWriterStyles, DecimalCommaLocaleDoesNotLeakIntoTheFile) {
    TempDir dir;
    std::string command = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "cannot build a decimal-comma locale";
    setenv("LOCPATH", dir.path().c_str(), 1);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "decimal-comma locale not usable";
    BookData book;
    auto& s = addSheet(book, "Data");
    Style st;
    st.font.size = 12.5;
    s.columns.push_back({0, 0, 20, 0, false, 0});
    s.defaultRowHeight = 18.75;
    setNumber(s, 0, 0, 0.5, book.styles.intern(st));
    std::string path = dir.file("comma.xlsx");
    std::vector<std::string> warnings;
    try {
        xlsx::writeXlsx(book, path, warnings);
    } catch (...) {
        std::setlocale(LC_NUMERIC, "C");
        throw;
    }
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    OpenpyxlDump dump(path);
    EXPECT_EQ(dump.error(), "");
    EXPECT_EQ(dump["Data!A1.font"].substr(0, 12), "Calibri|12.5");
    EXPECT_EQ(dump["Data.col.A.width"], "20.7109");
    EXPECT_EQ(dump["Data.defaultRowHeight"], "18.75");
}

// Workbooks of many rows have their sheets scanned side by side before the styles are laid out; every cell must
// still get its own format, whichever sheet met a format first.
TEST(XlsxWriterStyles, SheetsScannedSideBySideKeepEachCellsFormat) {
    BookData book;
    auto styleWith = [&](const char* format) {
        Style st;
        st.numFmt = format;
        return book.styles.intern(st);
    };
    const uint32_t percent = styleWith("0.00%"), money = styleWith("#,##0.00"), date = styleWith("yyyy-mm-dd"),
                   fraction = styleWith("# ?/?");
    const uint32_t sheetStyles[3][2] = {{money, percent}, {fraction, money}, {date, fraction}};
    for (int k = 0; k < 3; ++k) {
        auto& s = addSheet(book, "S" + std::to_string(k + 1));
        for (uint32_t r = 0; r < 9000; ++r)
            setNumber(s, r, 0, r, r < 8990 ? 0 : sheetStyles[k][r % 2]);
    }
    TempDir dir;
    auto dump = saveAndDump(book, dir);
    const char* formats[3][2] = {{"#,##0.00", "0.00%"}, {"# ?/?", "#,##0.00"}, {"yyyy-mm-dd", "# ?/?"}};
    for (int k = 0; k < 3; ++k) {
        const std::string sheet = "S" + std::to_string(k + 1);
        EXPECT_EQ(dump[sheet + "!A8991.numfmt"], formats[k][0]) << sheet;
        EXPECT_EQ(dump[sheet + "!A8992.numfmt"], formats[k][1]) << sheet;
        EXPECT_EQ(dump[sheet + "!A8990.numfmt"], "General") << sheet;
    }
}

// A cell the format cannot hold fails the save naming the first sheet that has one, as a save one sheet after
// another would, even when the sheets were scanned side by side.
TEST(XlsxWriterValues, TheFirstSheetWithAnOverlongTextIsTheOneNamed) {
    BookData book;
    for (const char* name : {"甲", "乙", "丙"}) {
        auto& s = addSheet(book, name);
        for (uint32_t r = 0; r < 10000; ++r)
            setNumber(s, r, 0, r);
    }
    setText(book, *book.sheets[2], 5, 1, std::string(40000, 'x'));
    setText(book, *book.sheets[1], 9000, 2, std::string(40000, 'y'));
    TempDir dir;
    try {
        save(book, dir.file("long.xlsx"));
        FAIL() << "no error";
    } catch (const EngineError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("乙"), std::string::npos) << what;
        EXPECT_NE(what.find("C9001"), std::string::npos) << what;
    }
}

// Small parts deflated once are reused by later saves: no part of a saved file may be left stored, whether or not
// the workbook has cells, and two workbooks saved one after the other keep their own parts.
TEST(XlsxWriterPackage, EveryPartIsDeflatedAndEachBookKeepsItsOwn) {
    TempDir dir;
    BookData empty;
    addSheet(empty, "空表");
    BookData filled;
    setText(filled, addSheet(filled, "名单"), 0, 0, "张三");
    const std::string emptyPath = dir.file("empty.xlsx"), filledPath = dir.file("filled.xlsx");
    save(empty, emptyPath);
    save(filled, filledPath);
    for (const std::string& path : {emptyPath, filledPath}) {
        int err = 0;
        zip_t* z = zip_open(path.c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &err);
        ASSERT_NE(z, nullptr) << path;
        for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
            zip_stat_t st;
            ASSERT_EQ(zip_stat_index(z, zip_uint64_t(i), 0, &st), 0);
            if (st.size > 0) {
                EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE) << path << ": " << st.name;
            }
        }
        zip_close(z);
    }
    tabrix::test::OpenpyxlDump first(emptyPath), second(filledPath);
    EXPECT_EQ(first["book.sheets"], "空表");
    EXPECT_EQ(second["book.sheets"], "名单");
    EXPECT_EQ(second["名单!A1.value"], "张三");
}
