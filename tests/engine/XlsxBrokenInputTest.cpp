// Inputs that are not (whole) workbooks: each must give an EngineError that says what is wrong and where,
// quickly, with no crash.
#include "engine/EngineError.h"
#include "engine/XlsxTestPackage.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

using namespace tabrix::engine;
using tabrix::test::oneSheetBook;
using tabrix::test::Parts;

namespace {

std::string zipBytes(const Parts& parts) {
    tabrix::test::TempDir dir;
    tabrix::test::writeZip(dir.file("p.xlsx"), parts);
    return tabrix::test::readFile(dir.file("p.xlsx"));
}

const Parts& goodBook() {
    static const Parts parts = oneSheetBook("<sheetData><row><c><v>1</v></c></row></sheetData>");
    return parts;
}

// Sets a 32-bit field of the named entry in both its local and central headers.
std::string withHeaderField(std::string zip, const std::string& entry, size_t localAt, size_t centralAt,
                            uint32_t value) {
    auto patch = [&](const char* signature, size_t fieldAt, size_t nameLenAt, size_t nameAt) {
        for (size_t pos = zip.find(signature, 0, 4); pos != std::string::npos; pos = zip.find(signature, pos + 4, 4)) {
            uint16_t nameLen = uint16_t(uint8_t(zip[pos + nameLenAt]) | uint8_t(zip[pos + nameLenAt + 1]) << 8);
            if (zip.compare(pos + nameAt, nameLen, entry) != 0) continue;
            for (int i = 0; i < 4; ++i) zip[pos + fieldAt + size_t(i)] = char((value >> (8 * i)) & 0xFF);
        }
    };
    patch("PK\x03\x04", localAt, 26, 30);
    patch("PK\x01\x02", centralAt, 28, 46);
    return zip;
}

std::string withDeclaredSize(std::string zip, const std::string& entry, uint32_t size) {
    return withHeaderField(std::move(zip), entry, 22, 24, size);
}

std::string withChecksum(std::string zip, const std::string& entry, uint32_t crc) {
    return withHeaderField(std::move(zip), entry, 14, 16, crc);
}

std::string ole2(const std::string& streamName) {
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes.resize(512, '\0');
    for (char c : streamName) bytes += std::string{c, '\0'};
    bytes.resize(2048, '\0');
    return bytes;
}

struct BrokenCase {
    const char* name;
    std::function<std::string()> bytes;
    const char* expected;  ///< text the message must hold
    bool failsAtOpen;      ///< else opening works and loading the first sheet fails
};

std::string bomb() {
    std::string dtd = "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">";
    for (char c = 'b'; c <= 'k'; ++c) {
        std::string tenOfPrevious;
        for (int i = 0; i < 10; ++i) tenOfPrevious += std::string("&") + char(c - 1) + ";";
        dtd += std::string("<!ENTITY ") + c + " \"" + tenOfPrevious + "\">";
    }
    return dtd + "]>";
}

const BrokenCase kCases[] = {
    {"empty file", [] { return std::string(); }, "文件是空的（0 字节），不是工作簿", true},
    {"text named xlsx", [] { return std::string("name,qty\nA,1\n"); }, "不是工作簿（不是 zip 包）", true},
    {"truncated zip",
     [] {
         auto z = zipBytes(goodBook());
         return z.substr(0, z.size() / 2);
     },
     "不是工作簿（zip 包已损坏或不完整）", true},
    {"2003-format workbook", [] { return ole2("Workbook"); }, "此文件是 2003 格式的 .xls 工作簿", true},
    {"encrypted package", [] { return ole2("EncryptedPackage"); }, "工作簿设有密码", true},
    {"zip without a workbook",
     [] {
         return zipBytes({{"docProps/app.xml", "<Properties/>"}});
     },
     "包中没有工作簿部件（xl/workbook.xml）", true},
    {"word document",
     [] {
         return zipBytes({{"_rels/.rels", tabrix::test::relsXml({{"officeDocument", "word/document.xml"}})},
                          {"word/document.xml", "<w:document xmlns:w=\"urn:w\"/>"}});
     },
     "包的主部件是 <document>", true},
    {"broken workbook XML",
     [] {
         Parts p = goodBook();
         p[1].second = "<workbook><sheets><sheet name=\"a\"></sheets></workbook>";
         return zipBytes(p);
     },
     "xl/workbook.xml: XML 错误，第 1 行：标签不匹配", true},
    {"entity bomb in the workbook part",
     [] {
         Parts p = goodBook();
         p[1].second = "<?xml version=\"1.0\"?>" + bomb() + "<workbook>&k;</workbook>";
         return zipBytes(p);
     },
     "xl/workbook.xml: 工作簿的部件中不允许有 DTD 实体声明", true},
    {"broken sheet XML",
     [] {
         Parts p = goodBook();
         p[3].second = "<?xml version=\"1.0\"?>\n<worksheet>\n<sheetData><row><c><v>1</c></row>";
         return zipBytes(p);
     },
     "xl/worksheets/sheet1.xml: XML 错误，第 3 行：标签不匹配", false},
    {"entity bomb in a sheet",
     [] {
         Parts p = goodBook();
         p[3].second = "<?xml version=\"1.0\"?>" + bomb() + "<worksheet><sheetData>&k;</sheetData></worksheet>";
         return zipBytes(p);
     },
     "xl/worksheets/sheet1.xml: 工作簿的部件中不允许有 DTD 实体声明", false},
    {"sheet entry declaring 2 GB",
     [] { return withDeclaredSize(zipBytes(goodBook()), "xl/worksheets/sheet1.xml", 0x80000000u); },
     "xl/worksheets/sheet1.xml: 声明解压后有 2147483648 字节，而压缩数据只有 ", false},
    {"sheet entry with a wrong checksum",
     [] { return withChecksum(zipBytes(goodBook()), "xl/worksheets/sheet1.xml", 0x12345678u); },
     "xl/worksheets/sheet1.xml: 无法解压：CRC 校验错误", false},
    {"shared string index out of range",
     [] {
         return zipBytes(oneSheetBook("<sheetData><row><c r=\"B2\" t=\"s\"><v>3</v></c></row></sheetData>",
                                      "<si><t>a</t></si>"));
     },
     "单元格 B2: 共享字符串编号“3”超出范围（工作簿只有 1 个共享字符串）", false},
    {"cell reference that is not one",
     [] { return zipBytes(oneSheetBook("<sheetData><row><c r=\"1A\"><v>3</v></c></row></sheetData>")); },
     "单元格地址“1A”无效", false},
};

class XlsxBrokenInput : public ::testing::TestWithParam<BrokenCase> {};

} // namespace

TEST_P(XlsxBrokenInput, GivesAClearEngineError) {
    const BrokenCase& c = GetParam();
    tabrix::test::TempDir dir;
    std::string path = dir.file("input.xlsx");
    tabrix::test::writeFile(path, c.bytes());
    std::string message;
    bool opened = false;
    try {
        auto book = xlsx::readXlsx(path);
        opened = true;
        book->sheets.at(0)->ensureLoaded();
    } catch (const EngineError& e) {
        message = e.what();
    }
    EXPECT_EQ(opened, !c.failsAtOpen) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << "message: " << message;
    EXPECT_EQ(message.rfind(path, 0), 0u) << "the message starts with the file: " << message;
}

INSTANTIATE_TEST_SUITE_P(Table, XlsxBrokenInput, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(XlsxBrokenInput, MissingFileSaysSo) {
    try {
        xlsx::readXlsx("/nonexistent/book.xlsx");
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/book.xlsx: 无法打开文件（"), std::string::npos);
    }
}

// Inputs kept from fuzzing, one per way of failing (and crash or hang files, should the fuzzer ever find one):
// each reads, or fails with an EngineError that names the file.
TEST(XlsxFuzzCases, EachReadsOrGivesAnEngineError) {
    std::filesystem::path dir = std::filesystem::path(TABRIX_SOURCE_DIR) / "tests/fuzzcases/xlsx";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        ++count;
        std::string name = entry.path().filename().string();
        try {
            auto book = xlsx::readXlsxBuffer(tabrix::test::readFile(entry.path().string()), name);
            for (auto& sheet : book->sheets) sheet->ensureLoaded();
        } catch (const EngineError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(name + ": ", 0), 0u) << e.what();
        }
    }
    EXPECT_GT(count, 0);
}

namespace {
std::string largeSheetBody(size_t rows, size_t brokenRow) {
    std::string body = "<sheetData>";
    for (size_t r = 1; r <= rows; ++r) {
        body += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 7) +
                "</v></c><c r=\"B" + std::to_string(r) + "\" t=\"inlineStr\"><is><t>text " + std::to_string(r) +
                "</t></is></c></row>\n";
        if (r == brokenRow) body += "<row><c></row>";
    }
    return body + "</sheetData>";
}
} // namespace

// Parts up to 1 MiB inflate in one piece; larger ones stream, inflating on a second thread. On both paths the
// part reads whole, and an error on either side ends the read promptly with a message naming the part.
TEST(XlsxLargePart, ReadsWholeAndStopsCleanlyOnErrors) {
    for (size_t rows : {size_t(6000), size_t(60000)}) {
        SCOPED_TRACE(rows);
        tabrix::test::TempDir dir;
        std::string good = dir.file("good.xlsx");
        tabrix::test::writeZip(good, oneSheetBook(largeSheetBody(rows, 0)));
        auto book = xlsx::readXlsx(good);
        book->sheets[0]->ensureLoaded();
        EXPECT_EQ(book->sheets[0]->rowCount(), rows);
        const Cell* last = book->sheets[0]->find(uint32_t(rows - 1), 0);
        ASSERT_NE(last, nullptr);
        EXPECT_DOUBLE_EQ(last->number, double(rows) * 7);

        // Loading the sheet must fail with a message holding `text`.
        auto expectLoadFails = [](const std::string& path, const std::string& text) {
            try {
                xlsx::readXlsx(path)->sheets[0]->ensureLoaded();
                ADD_FAILURE() << path << " loaded";
            } catch (const EngineError& e) {
                EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
            }
        };
        std::string parseError = dir.file("parse.xlsx");
        tabrix::test::writeZip(parseError, oneSheetBook(largeSheetBody(rows, 10)));
        expectLoadFails(parseError, "sheet1.xml: XML 错误，第 11 行：标签不匹配");

        // A sheet that inflates to more than its entry declares fails mid-part.
        std::string understated = dir.file("understated.xlsx");
        tabrix::test::writeFile(understated, withDeclaredSize(tabrix::test::readFile(good), "xl/worksheets/sheet1.xml",
                                                              uint32_t(rows * 40)));
        expectLoadFails(understated,
                        "xl/worksheets/sheet1.xml: 解压后超过声明的 " + std::to_string(rows * 40) + " 字节");

        std::string wrongSum = dir.file("checksum.xlsx");
        tabrix::test::writeFile(wrongSum, withChecksum(tabrix::test::readFile(good), "xl/worksheets/sheet1.xml", 7u));
        expectLoadFails(wrongSum, "xl/worksheets/sheet1.xml: 无法解压");
    }
}
