// How text exports are recognised: the delimiter judged over the whole text, the table under its preamble,
// padding that is no column, one-column text, and pages that declare a spreadsheet's namespaces.
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"
#include "engine/text/TableSniffer.h"
#include "engine/text/TextEncoding.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using tabrix::test::cellAt;
using tabrix::test::readText;
using text::DelimiterHint;
using text::sniffTable;

namespace {
std::string gbk(const std::string& utf8) {
    std::string out;
    // iconv through the engine's own decoder would go the wrong way; these few characters are spelled out.
    for (size_t i = 0; i < utf8.size();) {
        static const std::pair<std::string, std::string> table[] = {
            {"账", "\xD5\xCB"}, {"单", "\xB5\xA5"}, {"张", "\xD5\xC5"}, {"三", "\xC8\xFD"}, {"李", "\xC0\xEE"},
            {"四", "\xCB\xC4"}, {"注", "\xD7\xA2"}, {"金", "\xBD\xF0"}, {"额", "\xB6\xEE"}};
        bool done = false;
        for (const auto& [u, g] : table)
            if (utf8.compare(i, u.size(), u) == 0) {
                out += g;
                i += u.size();
                done = true;
                break;
            }
        if (!done) out += utf8[i++];
    }
    return out;
}
} // namespace

TEST(TableSniffer, TableUnderAPreambleAndPaddingThatIsNoColumn) {
    std::string bill;
    for (int i = 1; i <= 24; ++i) bill += "账单说明第" + std::to_string(i) + "行：没有逗号\n";
    bill += "\nh1,h2,h3,h4\n";
    for (int i = 0; i < 30; ++i) bill += "2024-01-0" + std::to_string(1 + i % 9) + " 10:00:00\t,商户,说明," + std::to_string(i) + ".50\n";
    const auto layout = sniffTable(bill, DelimiterHint::Comma);
    EXPECT_EQ(layout.delimiter, ',');
    EXPECT_EQ(layout.firstRow, 26u);

    // Every field padded with spaces and a TAB: more TABs than commas, and still comma-separated.
    std::string padded = "交易日,摘要,金额\n";
    for (int i = 0; i < 20; ++i)
        padded += "2023-04-" + std::to_string(10 + i) + "     \t,\"消费  \t\",\"-6,086.1" + std::to_string(i % 10) +
                  "    \t\",\"      \t\"\n";
    EXPECT_EQ(sniffTable(padded, DelimiterHint::None).delimiter, ',');
    auto book = readText(padded, "icbc.csv");
    EXPECT_EQ(cellAt(*book, 0, "A2"), "d:45026");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "s:消费");
    EXPECT_EQ(cellAt(*book, 0, "C2"), "n:-6086.1");
    EXPECT_EQ(cellAt(*book, 0, "D2"), "");
}

TEST(TableSniffer, ConsistencyDecidesAndTheNameBreaksATie) {
    // Text fields full of commas in a TAB-separated file.
    std::string tsv;
    for (int i = 0; i < 10; ++i) tsv += "Smith, John\t" + std::to_string(i) + "\tA, B, C" + std::string(i % 3, ',') + "\n";
    EXPECT_EQ(sniffTable(tsv, DelimiterHint::Comma).delimiter, '\t');
    EXPECT_EQ(sniffTable("a|b|c\n1|2|3\n4|5|6\n", DelimiterHint::None).delimiter, '|');
    EXPECT_EQ(sniffTable("a\tb,c\n1\t2,3\n", DelimiterHint::Comma).delimiter, ',');
    EXPECT_EQ(sniffTable("a\tb,c\n1\t2,3\n", DelimiterHint::Tab).delimiter, '\t');
    EXPECT_EQ(sniffTable("sep=|\na,b|c\n", DelimiterHint::Comma).delimiter, '|');
    // A stray comma in one line of a list is no table.
    EXPECT_EQ(sniffTable("张三\n李四\n王五, 副经理\n赵六\n", DelimiterHint::Comma).delimiter, 0);
}

TEST(TableSniffer, OneColumnAndOneLineTextInGbk) {
    auto list = readText(gbk("张三\r\n李四\r\n"), "名单.xls");
    EXPECT_EQ(list->content, ContentKind::PlainText);
    EXPECT_EQ(cellAt(*list, 0, "A1"), "s:张三");
    EXPECT_EQ(cellAt(*list, 0, "A2"), "s:李四");
    auto line = readText(gbk("注 账单金额"), "a.txt");
    EXPECT_EQ(cellAt(*line, 0, "A1"), "s:注 账单金额");
    auto ids = readText("00123\n00456\n", "ids.csv");
    EXPECT_EQ(cellAt(*ids, 0, "A1"), "s:00123");
}

TEST(TableSniffer, APageDeclaringASpreadsheetsNamespacesIsAPage) {
    const std::string page =
        std::string(21, '\n') +
        "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\" xmlns=\"http://www.w3.org/TR/REC-html40\">\n"
        "<head><style>td{mso-number-format:General}</style></head><body>\n<table x:str border=0>\n"
        "<tr><td>编号</td><td x:num>12.5</td></tr>\n<tr><td>a<br>b</td><td>2</td></tr></table></body></html>\n";
    auto book = readText(page, "report.xls");
    EXPECT_EQ(book->content, ContentKind::Html);
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:编号");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "n:12.5");
    // A workbook whose root is Workbook in that namespace is still read as one.
    auto xml = readText("<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n<!-- made by a tool -->\n"
                        "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet ss:Name=\"S\"><Table>"
                        "<Row><Cell><Data ss:Type=\"Number\">3</Data></Cell></Row></Table></Worksheet></Workbook>");
    EXPECT_EQ(xml->content, ContentKind::SpreadsheetMl);
    EXPECT_EQ(cellAt(*xml, 0, "A1"), "n:3");
}
