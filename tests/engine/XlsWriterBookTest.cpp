// Formulas, names, sheets left out and the save log of the 2003-format writer; read back by xlrd and by our
// own 2003-format reader.
#include "engine/EngineError.h"
#include "engine/XlrdDump.h"
#include "engine/XlsTestBook.h"
#include "engine/xls/XlsReader.h"
#include "engine/xls/XlsWriter.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tabrix::engine;
using tabrix::test::TempDir;
using tabrix::test::XlrdDump;
using tabrix::test::XlsTestBook;

namespace {

struct Saved {
    TempDir dir;
    std::string path;
    std::vector<std::string> warnings;
};

std::unique_ptr<Saved> save(BookData& book) {
    auto s = std::make_unique<Saved>();
    s->path = s->dir.file("b.xls");
    xls::writeXls(book, s->path, s->warnings);
    return s;
}

bool logged(const Saved& s, const std::string& line) {
    return std::find(s.warnings.begin(), s.warnings.end(), line) != s.warnings.end();
}

// A workbook of formulas with every kind of cached result, 3-D references, an add-in function and a name.
XlsTestBook formulaBook() {
    XlsTestBook t;
    SheetData& s = t.sheet("Calc");
    SheetData& other = t.sheet("Other Sheet");
    t.number(other, 0, 0, 7);
    t.number(s, 0, 0, 2);
    t.number(s, 1, 0, 3);
    t.formula(s, 2, 0, "A1+A2").type = CellType::Number;
    s.at(2, 0).number = 5;
    t.formula(s, 3, 0, "SUM(A1:A2)*1.5").type = CellType::Number;
    s.at(3, 0).number = 7.5;
    t.text(s, 0, 1, "abcd");
    t.formula(s, 0, 1, R"("ab"&"cd")");
    t.formula(s, 1, 1, "A1>1").type = CellType::Boolean;
    s.at(1, 1).boolean = true;
    t.formula(s, 2, 1, "1/0").type = CellType::Error;
    s.at(2, 1).error = ErrorCode::Div0;
    t.formula(s, 3, 1, "'Other Sheet'!A1*2").type = CellType::Number;
    s.at(3, 1).number = 14;
    t.formula(s, 4, 1, "EDATE(A1,1)").type = CellType::Number;
    s.at(4, 1).number = 33;
    t.formula(s, 5, 1, "NOSUCHFUNCTION(A1)").type = CellType::Number;
    s.at(5, 1).number = 99;
    t.formula(s, 6, 1, "Rate*A1").type = CellType::Number;
    s.at(6, 1).number = 1.4;
    t.formula(s, 7, 1, "A1&\"\""); // no cached result
    t.book.names.push_back({"Rate", "'Other Sheet'!$A$1", -1, false});
    t.book.names.push_back({"Local", "Calc!$A$1:$A$2", 0, true});
    t.book.names.push_back({"_xlnm.Print_Area", "Calc!$A$1:$B$8", 0, false});
    return t;
}

} // namespace

TEST(XlsWriterFormulas, CachedResultsReadByAnIndependentReader) {
    XlsTestBook t = formulaBook();
    auto saved = save(t.book);
    XlrdDump d(saved->path);
    ASSERT_EQ(d.error(), "");
    EXPECT_EQ(d["Calc!A3.value"], "5.0");
    EXPECT_EQ(d["Calc!A4.value"], "7.5");
    EXPECT_EQ(d["Calc!B1.type"], "text");
    EXPECT_EQ(d["Calc!B1.value"], "abcd");
    EXPECT_EQ(d["Calc!B2.value"], "TRUE");
    EXPECT_EQ(d["Calc!B3.value"], "#DIV/0!");
    EXPECT_EQ(d["Calc!B4.value"], "14.0");
    EXPECT_EQ(d["Calc!B5.value"], "33.0");
    EXPECT_EQ(d["Calc!B6.value"], "99.0");
    EXPECT_EQ(d["Calc!B7.value"], "1.4");
    EXPECT_EQ(d["Calc!B8.type"], "text");
    EXPECT_EQ(d["Calc!B8.value"], "");
    EXPECT_EQ(d["book.names"], "Rate@-1:0|Local@0:1|Print_Area@0:0");
    EXPECT_EQ(d["name.Rate@-1"], "oREF:'Other Sheet'!$A$1");
    EXPECT_EQ(d["name.Print_Area@0"], "oREF:Calc!$A$1:$B$8");
}

TEST(XlsWriterFormulas, AFormulaThatCannotBeEncodedKeepsItsValueAndIsLogged) {
    XlsTestBook t = formulaBook();
    auto saved = save(t.book);
    EXPECT_TRUE(logged(*saved, "工作表“Calc”单元格 B6 的公式无法保存为 2003 格式，已保存其计算结果"))
        << saved->warnings.size();
    EXPECT_EQ(saved->warnings.size(), 1u);

    // Past a handful of cells the log counts instead of naming each one.
    XlsTestBook many;
    SheetData& s = many.sheet("Many");
    for (uint32_t r = 0; r < 30; ++r)
        many.formula(s, r, 0, "NOSUCHFUNCTION(" + std::to_string(r) + ")");
    auto manySaved = save(many.book);
    ASSERT_EQ(manySaved->warnings.size(), 21u);
    EXPECT_EQ(manySaved->warnings.back(), "工作表“Many”另有 10 个单元格的公式无法保存为 2003 格式，已保存其计算结果");
}

TEST(XlsWriterFormulas, OurReaderGetsTheSameFormulasBack) {
    XlsTestBook t = formulaBook();
    auto saved = save(t.book);
    auto back = xls::readXls(saved->path);
    ASSERT_EQ(back->sheets.size(), 2u);
    SheetData& calc = *back->sheets[0];
    calc.ensureLoaded();
    auto formulaAt = [&](uint32_t r, uint32_t c) {
        const Cell* cell = calc.find(r, c);
        return cell && cell->hasFormula() ? back->formulaText(*cell) : std::string("(none)");
    };
    EXPECT_EQ(formulaAt(2, 0), "A1+A2");
    EXPECT_EQ(formulaAt(3, 0), "SUM(A1:A2)*1.5");
    EXPECT_EQ(formulaAt(0, 1), R"("ab"&"cd")");
    EXPECT_EQ(formulaAt(3, 1), "'Other Sheet'!A1*2");
    EXPECT_EQ(formulaAt(4, 1), "EDATE(A1,1)");
    EXPECT_EQ(formulaAt(5, 1), "(none)"); // written as its value
    EXPECT_EQ(formulaAt(6, 1), "Rate*A1");
    const Cell* b6 = calc.find(5, 1);
    ASSERT_NE(b6, nullptr);
    EXPECT_EQ(b6->number, 99);
}

TEST(XlsWriterSheets, ChartSheetsAreLeftOutAndReferencesStillPointRight) {
    XlsTestBook t;
    t.number(t.sheet("Data"), 0, 0, 10);
    SheetData& chart = t.sheet("Chart1");
    chart.kind = SheetKind::Chart;
    SheetData& more = t.sheet("More");
    t.formula(more, 0, 0, "Data!A1+More!B1").type = CellType::Number;
    more.at(0, 0).number = 10;
    t.book.activeSheet = 1;
    t.book.names.push_back({"OnChart", "Data!$A$1", 1, false});
    auto saved = save(t.book);
    EXPECT_TRUE(logged(*saved, "工作表“Chart1”是图表工作表，2003 格式暂不能保存，已略过"));
    EXPECT_TRUE(logged(*saved, "名称“OnChart”属于未保存的工作表，已略过"));
    XlrdDump d(saved->path);
    EXPECT_EQ(d["book.sheets"], "Data|More");
    EXPECT_EQ(d["Data.active"], "1");
    auto back = xls::readXls(saved->path);
    back->sheets[1]->ensureLoaded();
    EXPECT_EQ(back->formulaText(*back->sheets[1]->find(0, 0)), "Data!A1+More!B1");
}

TEST(XlsWriterSheets, WhatASheetCannotCarryIsLoggedOncePerSheet) {
    XlsTestBook t;
    SheetData& s = t.sheet("数据");
    s.droppedFeatures = {"hyperlinks", "comments"};
    t.sheet("Macro1").kind = SheetKind::Macro;
    auto saved = save(t.book);
    EXPECT_TRUE(logged(*saved, "工作表“数据”：以下内容未保存：超链接、批注"));
    EXPECT_TRUE(logged(*saved, "工作表“Macro1”：宏表已作为普通工作表保存"));
    EXPECT_EQ(saved->warnings.size(), 2u);
}

TEST(XlsWriterSheets, TabNamesLongerThanTheFormatAllowsAreShortenedAndStayUnique) {
    // Some report generators write such names; the file keeps 31 characters, and formulas still find the sheet.
    XlsTestBook t;
    const std::string prefix = "月度销售报表-华东区-2024年第一季度-汇总明细"; // 25 characters
    const std::string longName = prefix + "（含退货与调整）";
    t.number(t.sheet(longName), 0, 0, 5);
    t.sheet(prefix + "（含退货与调"); // exactly the first 31 characters
    SheetData& s = t.sheet("Use");
    t.formula(s, 0, 0, "'" + longName + "'!A1*2").type = CellType::Number;
    s.at(0, 0).number = 10;
    auto saved = save(t.book);
    const std::string shortened = prefix + "（含 (2)";
    EXPECT_TRUE(
        logged(*saved, "工作表“" + longName + "”的名称超过 2003 格式的 31 个字符，已保存为“" + shortened + "”"));
    XlrdDump d(saved->path);
    EXPECT_EQ(d["book.sheets"], shortened + "|" + prefix + "（含退货与调|Use");
    EXPECT_EQ(d[shortened + "!A1.value"], "5.0");
    auto back = xls::readXls(saved->path);
    back->sheets[2]->ensureLoaded();
    EXPECT_EQ(back->formulaText(*back->sheets[2]->find(0, 0)), "'" + shortened + "'!A1*2");
}

TEST(XlsWriterSheets, AWorkbookOfChartsOnlyCannotBeSaved) {
    XlsTestBook t;
    t.sheet("Chart1").kind = SheetKind::Chart;
    TempDir dir;
    std::vector<std::string> warnings;
    EXPECT_THROW(xls::writeXls(t.book, dir.file("c.xls"), warnings), EngineError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.xls")));
}

TEST(XlsWriterSheets, NoVisibleSheetLeftMakesTheFirstVisible) {
    XlsTestBook t;
    t.sheet("Chart").kind = SheetKind::Chart;
    t.sheet("Hidden").visibility = Visibility::Hidden;
    auto saved = save(t.book);
    XlrdDump d(saved->path);
    EXPECT_EQ(d["Hidden.visibility"], "0");
    EXPECT_TRUE(logged(*saved, "工作簿中没有可见的工作表，已将工作表“Hidden”设为可见"));
}

TEST(XlsWriterSheets, UnwritablePathIsAnErrorNamingIt) {
    XlsTestBook t;
    t.sheet("S");
    std::vector<std::string> warnings;
    try {
        xls::writeXls(t.book, "/nonexistent-folder/x.xls", warnings);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-folder/x.xls"), std::string::npos) << e.what();
    }
}
