#include "engine/EngineError.h"
#include "engine/XlsxTestPackage.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using tabrix::test::oneSheetBook;
using tabrix::test::Parts;

namespace {

std::unique_ptr<BookData> readParts(const Parts& parts) {
    tabrix::test::TempDir dir;
    std::string path = dir.file("book.xlsx");
    tabrix::test::writeZip(path, parts);
    return xlsx::readXlsx(path);
}

SheetData& loadedSheet(BookData& book, size_t index = 0) {
    book.sheets.at(index)->ensureLoaded();
    return *book.sheets[index];
}

std::string textAt(const BookData& book, const SheetData& sheet, uint32_t row, uint32_t col) {
    const Cell* c = sheet.find(row, col);
    if (!c || c->type != CellType::Text) return "<not text>";
    return book.text(*c);
}

double numberAt(const SheetData& sheet, uint32_t row, uint32_t col) {
    const Cell* c = sheet.find(row, col);
    return c && c->type == CellType::Number ? c->number : -12345.678;
}

std::string formulaAt(const BookData& book, const SheetData& sheet, uint32_t row, uint32_t col) {
    const Cell* c = sheet.find(row, col);
    return c && c->hasFormula() ? book.formulaText(*c) : "<none>";
}

} // namespace

TEST(XlsxReaderCells, EveryValueTypeReadsAsWritten) {
    auto book = readParts(oneSheetBook(
        "<sheetData><row r=\"1\">"
        "<c r=\"A1\"><v>1.5</v></c>"
        "<c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><r><t>in</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">line </t></r>"
        "</is></c>"
        "<c r=\"D1\" t=\"b\"><v>1</v></c>"
        "<c r=\"E1\" t=\"e\"><v>#DIV/0!</v></c>"
        "<c r=\"F1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
        "<c r=\"G1\" t=\"s\"><v>0</v></c>"
        "<c r=\"H1\"><v> -2E3 </v></c>"
        "</row></sheetData>",
        "<si><t>zero_x000D_</t></si><si><t>one &lt;1&gt;</t></si>"));
    auto& s = loadedSheet(*book);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 0), 1.5);
    EXPECT_EQ(textAt(*book, s, 0, 1), "one <1>");
    EXPECT_EQ(textAt(*book, s, 0, 2), "inline ");
    ASSERT_NE(s.find(0, 3), nullptr);
    EXPECT_EQ(s.find(0, 3)->type, CellType::Boolean);
    EXPECT_TRUE(s.find(0, 3)->boolean);
    EXPECT_EQ(s.find(0, 4)->type, CellType::Error);
    EXPECT_EQ(s.find(0, 4)->error, ErrorCode::Div0);
    EXPECT_EQ(textAt(*book, s, 0, 5), "ab");
    EXPECT_EQ(formulaAt(*book, s, 0, 5), "\"a\"&\"b\"");
    EXPECT_EQ(textAt(*book, s, 0, 6), "zero\r");
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 7), -2000);
}

TEST(XlsxReaderCells, EscapesDecodeIncludingSurrogatePairsAndEscapedUnderscore) {
    auto book = readParts(oneSheetBook("<sheetData><row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c>"
                                       "<c t=\"s\"><v>2</v></c></row></sheetData>",
                                       "<si><t>_xD83D__xDE00_</t></si><si><t>_x005F_x0041_</t></si>"
                                       "<si><t>_x00zz_ _x41_</t></si>"));
    auto& s = loadedSheet(*book);
    EXPECT_EQ(textAt(*book, s, 0, 0), "\xF0\x9F\x98\x80");
    EXPECT_EQ(textAt(*book, s, 0, 1), "_x0041_");
    EXPECT_EQ(textAt(*book, s, 0, 2), "_x00zz_ _x41_");
}

TEST(XlsxReaderCells, PositionsWithoutReferencesFollowThePreviousOnes) {
    auto book = readParts(oneSheetBook("<sheetData><row><c><v>1</v></c><c><v>2</v></c></row>"
                                       "<row r=\"4\"><c r=\"C4\"><v>3</v></c><c><v>4</v></c></row>"
                                       "<row><c><v>5</v></c></row></sheetData>"));
    auto& s = loadedSheet(*book);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 0), 1);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 1), 2);
    EXPECT_DOUBLE_EQ(numberAt(s, 3, 2), 3);
    EXPECT_DOUBLE_EQ(numberAt(s, 3, 3), 4);
    EXPECT_DOUBLE_EQ(numberAt(s, 4, 0), 5);
}

TEST(XlsxReaderCells, BlankCellsAreKeptOnlyWhenStyledAndCellsOutOfOrderStaySorted) {
    Parts parts = oneSheetBook("<sheetData><row r=\"1\"><c r=\"A1\"/><c r=\"B1\" s=\"1\"/><c r=\"C1\" s=\"0\"/>"
                               "<c r=\"E1\"><v>5</v></c><c r=\"D1\"><v>4</v></c><c r=\"E1\"><v>6</v></c>"
                               "<c r=\"F1\" s=\"99\"><v>7</v></c></row></sheetData>");
    parts.emplace_back("xl/styles.xml", std::string("<styleSheet xmlns=\"") + tabrix::test::kMainNs +
                                            "\"><fonts><font/><font><b/></font></fonts><cellXfs>"
                                            "<xf fontId=\"0\"/><xf fontId=\"1\"/></cellXfs></styleSheet>");
    auto book = readParts(parts);
    auto& s = loadedSheet(*book);
    const auto& cells = s.row(0)->cells;
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0].col, 1);
    EXPECT_TRUE(cells[0].isBlank());
    EXPECT_EQ(cells[0].style, 1u);
    EXPECT_EQ(cells[1].col, 3);
    EXPECT_EQ(cells[2].col, 4);
    EXPECT_DOUBLE_EQ(cells[2].number, 6) << "a repeated cell replaces the earlier one";
    EXPECT_EQ(cells[3].style, 0u) << "a style index past the table falls back to the default";
}

TEST(XlsxReaderCells, SharedFormulasAreExpandedAndArrayFormulasKeptOnTheirFirstCell) {
    auto book = readParts(oneSheetBook(
        "<sheetData>"
        "<row r=\"2\"><c r=\"B2\"><f t=\"shared\" ref=\"B2:C4\" si=\"0\">A2*2+$A$1</f><v>1</v></c>"
        "<c r=\"C2\"><f t=\"shared\" si=\"0\"/><v>2</v></c></row>"
        "<row r=\"4\"><c r=\"B4\"><f t=\"shared\" si=\"0\"/><v>3</v></c>"
        "<c r=\"D4\"><f t=\"array\" ref=\"D4:D5\">SUM(A1:A3*B1:B3)</f><v>9</v></c></row>"
        "<row r=\"5\"><c r=\"D5\"><v>9</v></c><c r=\"E5\"><f t=\"shared\" si=\"7\"/><v>0</v></c></row>"
        "</sheetData>"));
    auto& s = loadedSheet(*book);
    EXPECT_EQ(formulaAt(*book, s, 1, 1), "A2*2+$A$1");
    EXPECT_EQ(formulaAt(*book, s, 1, 2), "B2*2+$A$1");
    EXPECT_EQ(formulaAt(*book, s, 3, 1), "A4*2+$A$1");
    EXPECT_EQ(formulaAt(*book, s, 3, 3), "SUM(A1:A3*B1:B3)");
    EXPECT_EQ(formulaAt(*book, s, 4, 3), "<none>");
    EXPECT_EQ(formulaAt(*book, s, 4, 4), "<none>") << "a shared formula whose master never came";
    EXPECT_DOUBLE_EQ(numberAt(s, 1, 2), 2) << "cached results are kept";
}

TEST(XlsxReaderCells, RichSharedStringsAreFlattenedWithoutPhoneticRuns) {
    auto book = readParts(oneSheetBook("<sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData>",
                                       "<si><r><t>東京</t></r><r><rPr><i/></rPr><t>都</t></r>"
                                       "<rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh></si>"));
    EXPECT_EQ(textAt(*book, loadedSheet(*book), 0, 0), "東京都");
}

TEST(XlsxReaderCells, IsoDatesBecomeSerialsInTheWorkbooksDateSystem) {
    const std::string sheet = "<sheetData><row><c t=\"d\"><v>2024-01-05T12:00:00Z</v></c>"
                              "<c t=\"d\"><v>1900-02-28</v></c><c t=\"d\"><v>not a date</v></c></row></sheetData>";
    auto book1900 = readParts(oneSheetBook(sheet));
    auto& s = loadedSheet(*book1900);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 0), 45296.5);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 1), 59);
    EXPECT_EQ(textAt(*book1900, s, 0, 2), "not a date");
    auto book1904 = readParts(oneSheetBook(sheet, "", "<workbookPr date1904=\"1\"/>"));
    EXPECT_TRUE(book1904->date1904);
    EXPECT_DOUBLE_EQ(numberAt(loadedSheet(*book1904), 0, 0), 45296.5 - 1462);
}

TEST(XlsxReaderCells, IsoTimesAndDateTimesAreNumbersToo) {
    auto book = readParts(oneSheetBook("<sheetData><row><c t=\"d\"><v>10:10:10</v></c>"
                                       "<c t=\"d\"><v>2024-01-05T10:10:10</v></c>"
                                       "<c t=\"d\"><v>2024-01-05 06:00</v></c>"
                                       "<c t=\"d\"><v>1899-12-31T00:00:00</v></c>"
                                       "<c t=\"d\"><v>25:00:00</v></c></row></sheetData>"));
    auto& s = loadedSheet(*book);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 0), (10 * 3600 + 10 * 60 + 10) / 86400.0);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 1), 45296 + (10 * 3600 + 10 * 60 + 10) / 86400.0);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 2), 45296.25);
    EXPECT_DOUBLE_EQ(numberAt(s, 0, 3), 0);
    EXPECT_EQ(textAt(*book, s, 0, 4), "25:00:00") << "not a time of day: kept as the file says";
}

TEST(XlsxReaderSheet, RowsColumnsMergesAndDefaultSizesAreRead) {
    auto book = readParts(oneSheetBook(
        "<sheetFormatPr defaultRowHeight=\"18\" baseColWidth=\"10\"/>"
        "<cols><col min=\"2\" max=\"4\" width=\"9.140625\" customWidth=\"1\"/><col min=\"6\" max=\"6\" hidden=\"1\" "
        "width=\"0\"/><col min=\"3\" max=\"3\" width=\"30\"/></cols>"
        "<sheetData><row r=\"2\" ht=\"30\" customHeight=\"1\"/><row r=\"3\" hidden=\"1\"><c r=\"A3\"><v>1</v></c>"
        "</row></sheetData><mergeCells><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"bogus\"/></mergeCells>"
        "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rId9\"/></hyperlinks>"));
    auto& s = loadedSheet(*book);
    EXPECT_DOUBLE_EQ(s.defaultRowHeight, 18);
    EXPECT_NEAR(s.defaultColWidth, 10.71, 0.01);
    ASSERT_EQ(s.columns.size(), 2u) << "the overlapping run is dropped";
    EXPECT_EQ(s.columns[0].first, 1);
    EXPECT_EQ(s.columns[0].last, 3);
    EXPECT_NEAR(s.columns[0].width, 8.43, 0.01) << "file widths include the cell padding";
    EXPECT_TRUE(s.columns[1].hidden);
    ASSERT_NE(s.row(1), nullptr);
    EXPECT_FLOAT_EQ(s.row(1)->height, 30);
    EXPECT_TRUE(s.row(2)->hidden);
    ASSERT_EQ(s.merged.size(), 1u);
    EXPECT_EQ(s.merged[0], (CellRect{0, 0, 1, 1}));
    EXPECT_EQ(s.droppedFeatures, std::vector<std::string>{"hyperlinks"});
}

TEST(XlsxReaderSheet, CellsBeyondTheSheetLimitsAreErrorsNamingTheCell) {
    auto rowBook = readParts(oneSheetBook("<sheetData><row r=\"1048577\"><c><v>1</v></c></row></sheetData>"));
    try {
        rowBook->sheets[0]->ensureLoaded();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("xl/worksheets/sheet1.xml: 第 1048577 行超出了工作表的 1048576 行"),
                  std::string::npos)
            << e.what();
    }
    auto colBook = readParts(oneSheetBook("<sheetData><row><c r=\"XFE1\"><v>1</v></c></row></sheetData>"));
    try {
        colBook->sheets[0]->ensureLoaded();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("xl/worksheets/sheet1.xml: 单元格 XFE1: 列超出了最后一列 XFD"),
                  std::string::npos)
            << e.what();
    }
    auto last = readParts(oneSheetBook("<sheetData><row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>"
                                       "</sheetData>"));
    EXPECT_DOUBLE_EQ(numberAt(loadedSheet(*last), 1048575, 16383), 1);
}

TEST(XlsxReaderSheet, AFailedSheetStaysUnloadedAndFailsAgain) {
    auto book = readParts(oneSheetBook("<sheetData><row r=\"1\"><c><v>1</v></c></row><row r=\"2\"><c t=\"s\">"
                                       "<v>5</v></c></row></sheetData>",
                                       "<si><t>only</t></si>"));
    EXPECT_THROW(book->sheets[0]->ensureLoaded(), EngineError);
    EXPECT_TRUE(book->sheets[0]->rows().empty()) << "no half-read sheet is left behind";
    EXPECT_THROW(book->sheets[0]->ensureLoaded(), EngineError);
}

TEST(XlsxReaderBook, SheetsAreListedWithoutReadingCells) {
    Parts parts = oneSheetBook("<sheetData><row><c><v>1</v></c></row></sheetData>");
    parts.emplace_back("xl/worksheets/sheet2.xml", "<worksheet><sheetData><row><c>broken");
    parts[1].second = tabrix::test::workbookXml({{"Data", ""}, {"Hidden", "state=\"hidden\""},
                                                 {"Secret", "state=\"veryHidden\""}},
                                                "<bookViews><workbookView activeTab=\"1\"/></bookViews>");
    parts[2].second = tabrix::test::relsXml(
        {{"worksheet", "worksheets/sheet1.xml"}, {"worksheet", "/xl/worksheets/sheet2.xml"},
         {"worksheet", "worksheets/missing.xml"}});
    auto book = readParts(parts);
    ASSERT_EQ(book->sheets.size(), 3u);
    EXPECT_EQ(book->sheets[1]->name, "Hidden");
    EXPECT_EQ(book->sheets[1]->visibility, Visibility::Hidden);
    EXPECT_EQ(book->sheets[2]->visibility, Visibility::VeryHidden);
    EXPECT_EQ(book->activeSheet, 1u);
    EXPECT_TRUE(book->sheets[0]->rows().empty()) << "cells are read on first access";
    EXPECT_THROW(book->sheets[1]->ensureLoaded(), EngineError);
    EXPECT_NO_THROW(book->sheets[2]->ensureLoaded()) << "a sheet whose part is missing reads as empty";
    EXPECT_DOUBLE_EQ(numberAt(loadedSheet(*book), 0, 0), 1);
}

TEST(XlsxReaderBook, StrictNamespacesPrefixesAndOddPartNamesAreAccepted) {
    const std::string strictMain = "http://purl.oclc.org/ooxml/spreadsheetml/main";
    const std::string strictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
    auto rels = [&](const std::string& type, const std::string& target) {
        return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
               "Id=\"rId1\" Type=\"" +
               strictRel + "/" + type + "\" Target=\"" + target + "\"/></Relationships>";
    };
    Parts parts{
        {"_rels/.rels", rels("officeDocument", "/Book/Main.xml")},
        {"Book/Main.xml", "<s:workbook xmlns:s=\"" + strictMain + "\" xmlns:q=\"" + strictRel +
                              "\"><s:workbookPr date1904=\"true\"/><s:sheets><s:sheet name=\"Only\" sheetId=\"1\" "
                              "q:id=\"rId1\"/></s:sheets><s:definedNames><s:definedName name=\"Total\">Only!$A$1"
                              "</s:definedName></s:definedNames></s:workbook>"},
        {"Book/_rels/Main.xml.rels", rels("worksheet", "Sheets/One%20Sheet.xml")},
        {"Book/Sheets/One Sheet.xml", "<x:worksheet xmlns:x=\"" + strictMain +
                                          "\"><x:sheetData><x:row><x:c t=\"inlineStr\"><x:is><x:t>hi</x:t></x:is>"
                                          "</x:c></x:row></x:sheetData></x:worksheet>"},
    };
    auto book = readParts(parts);
    EXPECT_TRUE(book->date1904);
    ASSERT_EQ(book->names.size(), 1u);
    EXPECT_EQ(book->names[0].formula, "Only!$A$1");
    EXPECT_EQ(textAt(*book, loadedSheet(*book), 0, 0), "hi");
}

TEST(XlsxReaderBook, ChartSheetKeepsItsPartsAndWorksheetFeaturesAreNoted) {
    Parts parts = oneSheetBook("<sheetData/><drawing r:id=\"rId1\"/>");
    parts[1].second = tabrix::test::workbookXml({{"Data", ""}, {"Chart1", ""}});
    parts[2].second = tabrix::test::relsXml({{"worksheet", "worksheets/sheet1.xml"},
                                             {"chartsheet", "chartsheets/sheet1.xml"},
                                             {"vbaProject", "vbaProject.bin"}});
    parts.emplace_back("[Content_Types].xml",
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
                       "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Override PartName=\"/xl/chartsheets/sheet1.xml\" ContentType=\"cs\"/>"
                       "<Override PartName=\"/xl/charts/chart1.xml\" ContentType=\"chart\"/></Types>");
    parts.emplace_back("xl/chartsheets/sheet1.xml", "<chartsheet/>");
    parts.emplace_back("xl/chartsheets/_rels/sheet1.xml.rels", tabrix::test::relsXml({{"drawing", "../drawings/d1.xml"}}));
    parts.emplace_back("xl/drawings/d1.xml", "<wsDr/>");
    parts.emplace_back("xl/drawings/_rels/d1.xml.rels", tabrix::test::relsXml({{"chart", "../charts/chart1.xml"}}));
    parts.emplace_back("xl/charts/chart1.xml", "<chartSpace/>");
    parts.emplace_back("xl/worksheets/_rels/sheet1.xml.rels", tabrix::test::relsXml({{"drawing", "../drawings/d1.xml"},
                                                                                     {"comments", "../c1.xml"}}));
    parts.emplace_back("xl/vbaProject.bin", "macro bytes");
    auto book = readParts(parts);
    ASSERT_EQ(book->sheets.size(), 2u);
    auto& chart = loadedSheet(*book, 1);
    EXPECT_EQ(chart.kind, SheetKind::Chart);
    std::vector<std::string> paths;
    for (const auto& part : chart.opaqueParts) paths.push_back(part.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"xl/chartsheets/sheet1.xml", "xl/chartsheets/_rels/sheet1.xml.rels",
                                               "xl/drawings/d1.xml", "xl/drawings/_rels/d1.xml.rels",
                                               "xl/charts/chart1.xml"}));
    EXPECT_EQ(chart.opaqueParts[0].contentType, "cs");
    EXPECT_EQ(chart.opaqueParts[1].contentType, "application/vnd.openxmlformats-package.relationships+xml");
    EXPECT_EQ(chart.opaqueParts[4].data, "<chartSpace/>");
    auto& data = loadedSheet(*book, 0);
    EXPECT_EQ(data.droppedFeatures, (std::vector<std::string>{"macros", "charts", "comments"}));
}
