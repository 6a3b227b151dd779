// 2003 XML spreadsheets read as workbooks, and R1C1 formulas in A1 form.
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"
#include "engine/model/CellAddress.h"
#include "engine/ssml/R1C1Formula.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using tabrix::test::cellAt;
using tabrix::test::formatAt;
using tabrix::test::readText;

namespace {
const std::string kHead = "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                          "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                          "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">";
}

TEST(R1C1Formula, ReferencesAndRangesInA1Form) {
    using ssml::r1c1ToA1;
    EXPECT_EQ(r1c1ToA1("=RC[-6]+RC[-5]", 0, 7), "B1+C1");
    EXPECT_EQ(r1c1ToA1("=SUM(R[-4]C[-6]:R[-1]C[-6])", 4, 7), "SUM(B1:B4)");
    EXPECT_EQ(r1c1ToA1("=R1C1+R2C", 5, 2), "$A$1+C$2");
    EXPECT_EQ(r1c1ToA1("=R1C1*Sheet2!R[1]C[1]", 0, 0), "$A$1*Sheet2!B2");
    EXPECT_EQ(r1c1ToA1("=SUM(R1:R3)+SUM(C2)", 0, 0), "SUM($1:$3)+SUM($B:$B)");
    EXPECT_EQ(r1c1ToA1("=ROUND(RC[1],2)&\"RC[1]\"&'R1C1 sheet'!R1C1", 0, 0), "ROUND(B1,2)&\"RC[1]\"&'R1C1 sheet'!$A$1");
    EXPECT_EQ(r1c1ToA1("=R[-1]C", 0, 0), "#REF!");
    EXPECT_EQ(r1c1ToA1("=SUM(MarksRange)+R2D2+RC", 1, 1), "SUM(MarksRange)+R2D2+B2");
}

TEST(SpreadsheetMlReader, SheetsCellsTypesMergesAndFormulas) {
    auto book = readText(kHead + R"(
 <Styles><Style ss:ID="Default"><Font ss:FontName="宋体" ss:Size="12"/></Style>
  <Style ss:ID="d"><NumberFormat ss:Format="Short Date"/></Style>
  <Style ss:ID="h" ss:Parent="d"><Font ss:Bold="1" ss:Color="#FF0000"/><Interior ss:Color="#FFFF00" ss:Pattern="Solid"/></Style>
 </Styles>
 <Names><NamedRange ss:Name="Marks" ss:RefersTo="=数据!R1C2:R2C2"/></Names>
 <Worksheet ss:Name="数据"><Table>
  <Column ss:Width="90"/><Column ss:Index="4" ss:Span="1" ss:Width="30"/>
  <Row><Cell ss:MergeAcross="1" ss:StyleID="h"><Data ss:Type="String">标题 <Font>粗</Font></Data></Cell>
       <Cell><Data ss:Type="Number">2.5</Data></Cell><Cell ss:Index="6"><Data ss:Type="Boolean">1</Data></Cell></Row>
  <Row ss:Index="3" ss:Height="30"><Cell ss:StyleID="d"><Data ss:Type="DateTime">2024-01-05T00:00:00.000</Data></Cell>
       <Cell><Data ss:Type="DateTime">1899-12-31T12:00:00.000</Data></Cell>
       <Cell ss:Formula="=R[-2]C*2"><Data ss:Type="Number">5</Data></Cell>
       <Cell ss:MergeDown="2"><Data ss:Type="Error">#DIV/0!</Data>
         <Comment><Data>not the value</Data></Comment></Cell></Row>
 </Table></Worksheet>
 <Worksheet ss:Name="Hidden"><Table/><WorksheetOptions xmlns="urn:schemas-microsoft-com:office:excel">
  <Visible>SheetHidden</Visible></WorksheetOptions></Worksheet>
</Workbook>)");
    EXPECT_EQ(book->content, ContentKind::SpreadsheetMl);
    ASSERT_EQ(book->sheets.size(), 2u);
    const SheetData& s = *book->sheets[0];
    EXPECT_EQ(s.name, "数据");
    EXPECT_EQ(book->sheets[1]->visibility, Visibility::Hidden);
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:标题 粗");
    EXPECT_EQ(cellAt(*book, 0, "C1"), "n:2.5"); // after the merged A1:B1
    EXPECT_EQ(cellAt(*book, 0, "F1"), "b:TRUE");
    EXPECT_EQ(cellAt(*book, 0, "A3"), "d:45296");
    EXPECT_EQ(cellAt(*book, 0, "B3"), "d:0.5"); // a time: the day before 1900-01-01 is day 0
    EXPECT_EQ(cellAt(*book, 0, "C3"), "n:5");
    EXPECT_EQ(cellAt(*book, 0, "D3"), "e:#DIV/0!");
    EXPECT_EQ(book->formulaText(*s.find(2, 2)), "C1*2");
    ASSERT_EQ(s.merged.size(), 2u);
    EXPECT_EQ(rangeName(s.merged[0], false), "A1:B1");
    EXPECT_EQ(rangeName(s.merged[1], false), "D3:D5");
    const Style& header = book->styles.get(s.find(0, 0)->style);
    EXPECT_TRUE(header.font.bold);
    EXPECT_EQ(header.font.name, "宋体");
    EXPECT_EQ(header.font.color, 0xFFFF0000u);
    EXPECT_EQ(header.fill.fg, 0xFFFFFF00u);
    EXPECT_EQ(header.numFmt, "yyyy/m/d"); // from its parent
    EXPECT_EQ(formatAt(*book, 0, "A3"), "yyyy/m/d");
    EXPECT_NEAR(s.columnInfo(0)->width, 16.43, 0.01);
    EXPECT_NEAR(s.columnInfo(3)->width, 5.0, 0.01);
    EXPECT_NEAR(s.columnInfo(4)->width, 5.0, 0.01);
    EXPECT_FLOAT_EQ(s.row(2)->height, 30);
    ASSERT_EQ(book->names.size(), 1u);
    EXPECT_EQ(book->names[0].formula, "数据!$B$1:$B$2");
}

TEST(SpreadsheetMlReader, DeclaredEncodingAndHostileDocuments) {
    auto latin2 = readText("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n" + kHead.substr(22) +
                           "<Worksheet ss:Name=\"A\"><Table><Row><Cell><Data ss:Type=\"String\">\xB9\xEA</Data></Cell>"
                           "</Row></Table></Worksheet></Workbook>");
    EXPECT_EQ(cellAt(*latin2, 0, "A1"), "s:ąę");
    const std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"aaaaaaaaaa\">"
                             "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>" +
                             kHead.substr(22) +
                             "<Worksheet><Table><Row><Cell><Data ss:Type=\"String\">&b;</Data></Cell></Row></Table>"
                             "</Worksheet></Workbook>";
    EXPECT_THROW(readText(bomb), EngineError);
    EXPECT_THROW(readText(kHead + "<Worksheet><Table><Row ss:Index=\"2000000\"/></Table></Worksheet></Workbook>"),
                 EngineError);
    EXPECT_THROW(readText(kHead + "<Worksheet><Table><Row><Cell>"), EngineError); // cut short
}
