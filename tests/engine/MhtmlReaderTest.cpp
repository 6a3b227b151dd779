// Workbooks saved as single-file web pages (MIME messages of related parts) read as workbooks.
#include "engine/text/MhtmlReader.h"
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace tabrix::engine;
using tabrix::engine::text::looksLikeMhtml;
using tabrix::engine::text::readMhtml;
using tabrix::test::cellAt;

namespace {
std::string toGb2312(const std::string& utf8) {
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* dst = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// As mail programs write it, but with short lines, so that soft breaks fall inside tags, words and characters.
std::string quotedPrintable(const std::string& bytes) {
    std::string out;
    size_t line = 0;
    for (unsigned char c : bytes) {
        if (c == '\n') {
            out += "\r\n";
            line = 0;
            continue;
        }
        char piece[4] = {char(c), 0};
        if (c == '=' || c >= 0x80) std::snprintf(piece, sizeof piece, "=%02X", c);
        if (line + std::strlen(piece) > 20) {
            out += "=\r\n";
            line = 0;
        }
        out += piece;
        line += std::strlen(piece);
    }
    return out;
}

std::string base64(const std::string& bytes) {
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? uint8_t(bytes[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k)
            out += k <= n ? abc[v >> (18 - 6 * k) & 63] : '=';
        if ((i / 3 + 1) % 19 == 0) out += "\r\n";
    }
    return out;
}

struct Part {
    std::string headers;
    std::string body;
};

std::string message(const std::string& head, const std::string& boundary, const std::vector<Part>& parts) {
    std::string out = head + "\r\n\r\nThis document is a Single File Web Page.\r\n\r\n";
    for (const Part& p : parts)
        out += "--" + boundary + "\r\n" + p.headers + "\r\n\r\n" + p.body + "\r\n\r\n";
    return out + "--" + boundary + "--\r\n";
}

std::string sheetList(const std::vector<std::pair<std::string, std::string>>& sheets) {
    std::string xml = "<!--[if gte mso 9]><xml>\n <x:ExcelWorkbook>\n  <x:ExcelWorksheets>\n";
    for (const auto& [name, href] : sheets)
        xml += "   <x:ExcelWorksheet>\n    <x:Name>" + name + "</x:Name>\n" +
               (href.empty() ? "" : "    <x:WorksheetSource HRef=\"" + href + "\"/>\n") + "   </x:ExcelWorksheet>\n";
    return xml +
           "  </x:ExcelWorksheets>\n  <x:ActiveSheet>1</x:ActiveSheet>\n </x:ExcelWorkbook>\n</xml><![endif]-->\n";
}

const std::string kGbMeta = "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">";
const std::string kBoundary = "----=_NextPart_01DA0000.5F1A2B3C";
const std::string kHead =
    "MIME-Version: 1.0\r\nX-Document-Type: Workbook\r\nContent-Type: multipart/related; boundary=\"" + kBoundary + "\"";

Part qpPart(const std::string& location, const std::string& type, const std::string& utf8) {
    return {"Content-Location: file:///C:/5F1A2B3C/" + location +
                "\r\nContent-Transfer-Encoding: quoted-printable\r\nContent-Type: " + type,
            quotedPrintable(toGb2312(utf8))};
}

// A workbook of two sheets as the spreadsheet program saves it: the frameset page with the sheet list, a tab strip
// (a table of links), the shared style sheet and one page per sheet, all gb2312 in quoted-printable.
std::string twoSheetBook(bool withSecondSheet = true) {
    std::vector<Part> parts{
        // Marked us-ascii though it holds gb2312 names: its own declaration tells.
        qpPart("book.htm", "text/html; charset=\"us-ascii\"",
               "<html xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><head>" + kGbMeta + "\n" +
                   sheetList({{"销售", "book_files/sheet001.htm"}, {"库存", "./book_files/Sheet002.htm"}}) +
                   "</head><frameset rows=\"*,39\"><frame src=\"book_files/sheet001.htm\" name=\"frSheet\">"
                   "<frame src=\"book_files/tabstrip.htm\" name=\"frTabs\"></frameset></html>"),
        qpPart("book_files/tabstrip.htm", "text/html; charset=\"gb2312\"",
               "<html><head>" + kGbMeta +
                   "</head><body><table><tr><td><a href=\"sheet001.htm\">销售</a></td>"
                   "<td><a href=\"sheet002.htm\">库存</a></td></tr></table></body></html>"),
        qpPart("book_files/stylesheet.css", "text/css; charset=\"us-ascii\"",
               "tr {mso-height-source:auto;}\n.xl65 {mso-number-format:\"\\@\";}\n"
               ".xl66 {mso-number-format:\"yyyy\\/m\\/d\";}\n.sortkey, .other {display:none}\n"),
        qpPart("book_files/sheet001.htm", "text/html; charset=\"gb2312\"",
               "<html><head>" + kGbMeta +
                   "<link rel=Stylesheet href=stylesheet.css></head><body><table x:str>\n"
                   "<tr><td>产品</td><td>数量</td><td>编号</td></tr>\n"
                   "<tr><td>苹果</td><td x:num>12</td><td class=xl65>00123</td><td class=xl66>2024-03-01</td></tr>\n"
                   "<tr><td><span class=sortkey>01879-07-01-0000</span>1 July 1879</td>"
                   "<td><span style='display:none'>7000000000000005580</span>5.58</td></tr>\n"
                   "</table></body></html>")};
    if (withSecondSheet)
        parts.push_back(qpPart("book_files/sheet002.htm", "text/html; charset=\"gb2312\"",
                               "<html><head>" + kGbMeta +
                                   "</head><body><table><tr><td>梨</td><td>7</td><td>5%</td></tr>\n"
                                   "<tr style='display:none'><td>隐藏</td><td>1</td></tr></table></body></html>"));
    return message(kHead, kBoundary, parts);
}

std::string errorOf(const std::string& bytes) {
    try {
        readMhtml(bytes, "book.xls");
    } catch (const EngineError& e) {
        return e.what();
    }
    return "no error";
}
} // namespace

TEST(MhtmlReader, RecognisedByItsMimeHeader) {
    EXPECT_TRUE(looksLikeMhtml(kHead + "\r\n\r\n--x"));
    EXPECT_TRUE(looksLikeMhtml("\xEF\xBB\xBF\r\n\nmime-version: 1.0\nSubject: b\ncontent-type: Multipart/Related;\n"
                               "\ttype=\"text/html\"; boundary=b\n\nbody"));
    EXPECT_TRUE(looksLikeMhtml("Content-Type:\r\n multipart/related; boundary=b\r\nMIME-Version: 1.0"));
    EXPECT_FALSE(looksLikeMhtml("Content-Type: multipart/related; boundary=b\r\n\r\nMIME-Version: 1.0\r\n"));
    EXPECT_FALSE(looksLikeMhtml("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"));
    EXPECT_FALSE(looksLikeMhtml("<html><body>MIME-Version: 1.0\nContent-Type: multipart/related</body></html>"));
    EXPECT_FALSE(looksLikeMhtml("名称,MIME-Version: 1.0\nContent-Type: multipart/related\n"));
}

TEST(MhtmlReader, TwoSheetsInGb2312QuotedPrintableReadAsTheTabsNameThem) {
    auto book = readMhtml(twoSheetBook(), "book.xls");
    EXPECT_EQ(book->content, ContentKind::Html);
    ASSERT_EQ(book->sheets.size(), 2u); // the tab strip is no sheet
    EXPECT_EQ(book->sheets[0]->name, "销售");
    EXPECT_EQ(book->sheets[1]->name, "库存");
    EXPECT_EQ(book->activeSheet, 1u);
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:产品");
    EXPECT_EQ(cellAt(*book, 0, "A2"), "s:苹果");
    EXPECT_EQ(cellAt(*book, 0, "B2"), "n:12");
    EXPECT_EQ(cellAt(*book, 0, "C2"), "s:00123"); // text by the linked style sheet's class
    EXPECT_EQ(cellAt(*book, 0, "A3"), "s:1 July 1879");
    EXPECT_EQ(cellAt(*book, 0, "B3"), "n:5.58");
    EXPECT_EQ(cellAt(*book, 1, "A1"), "s:梨");
    EXPECT_EQ(cellAt(*book, 1, "B1"), "n:7");
    EXPECT_EQ(cellAt(*book, 1, "A2"), "s:隐藏"); // a hidden row keeps its data
    EXPECT_TRUE(book->sheets[1]->row(1)->hidden);
    // Each sheet's texts and styles came from a workbook of its own: the ids must point at them in this one.
    EXPECT_EQ(cellAt(*book, 0, "D2"), "d:45352");
    EXPECT_EQ(tabrix::test::formatAt(*book, 0, "D2"), "yyyy/m/d");
    EXPECT_EQ(tabrix::test::formatAt(*book, 1, "C1"), "0%");
    EXPECT_EQ(tabrix::test::formatAt(*book, 1, "B1"), "General");
}

TEST(MhtmlReader, Base64PartsFoundByContentIdAndRelativeLocation) {
    const std::string first = "<html><head>" + kGbMeta + "</head><table><tr><td>月</td><td>3</td></tr></table></html>";
    const std::string second = "<table><tr><td>第二</td></tr></table>";
    const std::string main = sheetList({{"First", "cid:Part1@X"}, {"Second", "./sheets/second.htm"}});
    const std::string bytes = message(
        "\xEF\xBB\xBF\r\nMime-Version: 1.0\r\nContent-Type: Multipart/Related;\r\n\tstart=\"<main@x>\"; boundary=XYZ",
        "XYZ",
        {{"Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n"
          "Content-Location: Sheets/Second.HTM",
          base64(second)},
         {"Content-ID: <main@x>\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n"
          "Content-Location: http://example.test/dir/index.htm",
          base64(main)},
         {"Content-ID: <part1@x>\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: base64",
          base64(toGb2312(first))}});
    ASSERT_TRUE(looksLikeMhtml(bytes));
    auto book = readMhtml(bytes, "book.xls");
    ASSERT_EQ(book->sheets.size(), 2u);
    EXPECT_EQ(book->sheets[0]->name, "First");
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:月");
    EXPECT_EQ(cellAt(*book, 0, "B1"), "n:3");
    EXPECT_EQ(book->sheets[1]->name, "Second");
    EXPECT_EQ(cellAt(*book, 1, "A1"), "s:第二");
}

TEST(MhtmlReader, PagesWithoutASheetList) {
    // Saved from one sheet: the list names the sheet but no part, and the main page holds the table.
    const std::string single =
        message(kHead, kBoundary,
                {qpPart("book.htm", "text/html; charset=\"gb2312\"",
                        "<html><head>" + kGbMeta + sheetList({{"数量", ""}}) + "</head><table><tr><td>1</td></tr>"),
                 qpPart("book_files/filelist.xml", "text/xml", "<xml><o:File HRef=\"book.htm\"/></xml>")});
    auto book = readMhtml(single, "book.xls");
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(book->sheets[0]->name, "数量");
    EXPECT_EQ(cellAt(*book, 0, "A1"), "n:1");
    // No list at all: the page holding a table is read, never the tab strip's table of links.
    const std::string noList = message(
        kHead, kBoundary,
        {{"Content-Type: text/html", "<frameset><frame src=\"page.htm\"></frameset>"},
         {"Content-Location: tabstrip.htm\r\nContent-Type: text/html", "<table><tr><td>Sheet1</td><td>Sheet2</td>"},
         {"Content-Location: page.htm\r\nContent-Type: text/html", "<table><tr><td>data</td></tr></table>"}});
    book = readMhtml(noList, "book.xls");
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(cellAt(*book, 0, "A1"), "s:data");
}

TEST(MhtmlReader, BrokenMessagesAreRefusedNamingFileAndPart) {
    EXPECT_EQ(errorOf(twoSheetBook(false)), "book.xls: 单个文件网页中缺少工作表“库存”的部分（Sheet002.htm）");
    std::string unknown = twoSheetBook();
    const size_t at = unknown.rfind("quoted-printable");
    unknown.replace(at, 16, "x-uuencode");
    EXPECT_EQ(errorOf(unknown),
              "book.xls: 单个文件网页中工作表“库存”的部分（Sheet002.htm）无法解码：不认识的传送编码“x-uuencode”");
    EXPECT_EQ(errorOf("MIME-Version: 1.0\r\nContent-Type: multipart/related\r\n\r\n<table>"),
              "book.xls: 单个文件网页的格式不对：没有分隔各部分的标记（boundary）");
    EXPECT_EQ(errorOf(message(kHead, kBoundary, {{"Content-Type: text/html", "<p>no table</p>"}})),
              "book.xls: 单个文件网页中没有表格，不是工作簿");
    // Cut off anywhere, a message is read as far as it goes or refused, never read past its end.
    const std::string whole = twoSheetBook();
    for (size_t n = 0; n < whole.size(); n += 97) {
        try {
            readMhtml(std::string(whole, 0, n), "book.xls"); // a copy of its own, so a read past it is caught
        } catch (const EngineError&) {
        }
    }
}
