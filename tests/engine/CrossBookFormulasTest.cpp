#include "engine/formula/SheetPrefix.h"
#include "engine/formula/StructuredRef.h"
#include "engine/object/Application.h"
#include "engine/object/FormulaDisplay.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace tabrix::engine;

namespace {
void put(Workbook& book, Worksheet& ws, const char* address, double value, const char* formula = nullptr) {
    auto rect = ws.Range(address).rect();
    Cell& c = ws.data().at(rect.firstRow, rect.firstCol);
    c.type = CellType::Number;
    c.number = value;
    if (formula) book.data().setFormula(c, formula);
}

// A source workbook: Data holds numbers, Calc formulas on Data through references and a name.
Workbook& sourceBook(Application& app) {
    Workbook& src = app.Workbooks().Add();
    Worksheet& data = src.Worksheets(1);
    data.SetName("Data");
    Worksheet& calc = src.Worksheets(2);
    calc.SetName("Calc");
    put(src, data, "B2", 10);
    put(src, data, "B3", 20);
    put(src, calc, "A1", 1);
    put(src, calc, "A2", 30, "Data!$B$2+Data!B3");
    put(src, calc, "A3", 21, "A1+Rate");
    put(src, calc, "A4", 31, "A2+A1");
    src.data().names.push_back({"Rate", "Data!$B$3", -1, false});
    return src;
}
} // namespace

TEST(CrossBookFormulas, ARangeCopiedOutReadsTheSourceForWhatStaysBehind) {
    Application app;
    Workbook& src = sourceBook(app);
    Workbook& dst = app.Workbooks().Add();
    src.Worksheets("Calc").Range("A2:A4").Copy(dst.Worksheets(1).Range("C5"));
    Worksheet& out = dst.Worksheets(1);
    // Another sheet's cells, and this sheet's A1 above the block, are read in the source, unmoved; A2 came along.
    EXPECT_EQ(out.Range("C5").Formula(), "=[1]Data!$B$2+[1]Data!B3");
    EXPECT_EQ(out.Range("C6").Formula(), "=[1]Calc!A1+Rate");
    EXPECT_EQ(out.Range("C7").Formula(), "=C5+[1]Calc!A1");
    EXPECT_EQ(displayFormula(dst.data(), "[1]Data!B3"), "[" + src.Name() + "]Data!B3");
    ASSERT_EQ(dst.data().externalBooks.size(), 1u);
    const ExternalBook& link = dst.data().externalBooks[0];
    EXPECT_EQ(link.target, src.FullName());
    const ExternalSheet& data = link.sheets[*link.sheetIndex("Data")];
    EXPECT_EQ(std::get<double>(data.cells.at({1, 1})), 10);
    EXPECT_EQ(std::get<double>(data.cells.at({2, 1})), 20) << "what the name reads is recorded too";
    ASSERT_EQ(dst.data().names.size(), 1u);
    EXPECT_EQ(dst.data().names[0].formula, "[1]Data!$B$3");
}

TEST(CrossBookFormulas, SheetsCopiedAlongAreReferredToInsideTheResultUnderTheirNewNames) {
    Application app;
    Workbook& src = sourceBook(app);
    Workbook& dst = app.Workbooks().Add();
    dst.Worksheets(1).SetName("Data");
    // Calc first: its references point at the source until Data arrives (as "Data (2)").
    src.Worksheets("Calc").Copy(dst.Worksheets(3));
    EXPECT_EQ(dst.Worksheets("Calc").Range("A2").Formula(), "=[1]Data!$B$2+[1]Data!B3");
    src.Worksheets("Data").Copy(dst.Worksheets(4));
    EXPECT_EQ(dst.Worksheets("Calc").Range("A2").Formula(), "='Data (2)'!$B$2+'Data (2)'!B3");
    EXPECT_EQ(dst.data().names[0].formula, "'Data (2)'!$B$3");
    // The link is left unused: a save drops it and names no source.
    const std::string path = testing::TempDir() + "/cross-book.xlsx";
    dst.SaveAs(path);
    EXPECT_TRUE(dst.data().externalBooks.empty());
    for (const auto& line : dst.saveWarnings())
        EXPECT_EQ(line.find("原工作簿"), std::string::npos) << line;
    std::remove(path.c_str());
}

TEST(StructuredRef, PartsOfATableAsTheCellsTheyCover) {
    SheetTable sales;
    sales.name = "Sales";
    sales.ref = {0, 1, 4, 3}; // B1:D5, heading row and a totals row
    sales.totalsRows = 1;
    sales.columns = {"Region", "Amount", "Price [EUR]"};
    auto lookup = [&](std::string_view name) -> std::optional<formula::TableOnSheet> {
        if (name.empty() || name == "sales" || name == "Sales") return formula::TableOnSheet{&sales, "Data"};
        return std::nullopt;
    };
    auto a1 = [&](const char* text, uint32_t row = 2, const char* sheet = "Data") {
        return formula::structuredToA1(text, lookup, row, sheet).value_or("none");
    };
    EXPECT_EQ(a1("Sales[Amount]"), "$C$2:$C$4");
    EXPECT_EQ(a1("sales[[#Headers],[Region]:[Amount]]"), "$B$1:$C$1");
    EXPECT_EQ(a1("Sales[[#Data],[#Totals],[Amount]]"), "$C$2:$C$5");
    EXPECT_EQ(a1("Sales[#All]"), "$B$1:$D$5");
    EXPECT_EQ(a1("Sales[Price '[EUR']]"), "$D$2:$D$4");
    EXPECT_EQ(a1("[@Amount]", 3), "$C4") << "this row: the row stays relative";
    EXPECT_EQ(a1("Sales[[#This Row],[Amount]]", 3, "Other"), "Data!$C4");
    EXPECT_EQ(a1("[@Amount]", 0), "none") << "the heading row has no row of data";
    EXPECT_EQ(a1("Sales[Missing]"), "none");
    EXPECT_EQ(formula::replaceStructuredRefs("SUM(Sales[Amount])/Sales[[#Totals],[Amount]]", lookup, 2, "Data"),
              "SUM($C$2:$C$4)/$C$5");
}

TEST(SheetPrefix, LinksAndQuotedNamesReadBackAsWritten) {
    for (const char* text : {"Data!", "'My Sheet'!", "Jan:Mar!", "[2]Data!", "'[1]My Sheet'!", "[3]!", "'It''s'!"}) {
        auto prefix = formula::parseSheetPrefix(text);
        ASSERT_TRUE(prefix) << text;
        EXPECT_EQ(formula::formatSheetPrefix(*prefix), text);
    }
    EXPECT_EQ(formula::formatSheetPrefix({1, "Data", {}}, "my book.xlsx"), "'[my book.xlsx]Data'!");
    EXPECT_FALSE(formula::parseSheetPrefix("[x]Data!"));
    EXPECT_FALSE(formula::parseSheetPrefix("Data"));
}
