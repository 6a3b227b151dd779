// Damaged and hostile 2003-format files: each must end in an EngineError that says what is wrong, never a crash,
// a hang or a huge allocation. Damaged files the fuzzer made (container and record damage) are kept in
// tests/fuzzcases/xls, as is any file that ever crashed or hung the reader.
#include "engine/BiffTestFile.h"
#include "engine/EngineError.h"
#include "engine/xls/XlsReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tabrix::engine;
using namespace tabrix::test::biff;

namespace {

uint32_t le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
void put32(std::string& s, size_t at, uint32_t v) { s.replace(at, 4, u32(v)); }
void put16(std::string& s, size_t at, uint16_t v) { s.replace(at, 2, u16(v)); }

// Where the compound file made by libgsf keeps things (512-byte sectors, the first FAT sector listed in the header).
size_t sectorAt(uint32_t sector) { return 512 + size_t(sector) * 512; }
size_t fatEntryAt(const std::string& ole, uint32_t sector) { return sectorAt(le32(ole, 0x4C)) + 4 * size_t(sector); }
size_t workbookEntryAt(const std::string& ole) {
    std::string name = utf16("Workbook");
    size_t dir = sectorAt(le32(ole, 0x30));
    for (size_t e = dir; e + 128 <= dir + 512; e += 128)
        if (ole.compare(e, name.size(), name) == 0) return e;
    throw std::runtime_error("no Workbook entry in the first directory sector");
}

std::string validStream() {
    return workbookStream(defaultStyles() + record(0x00FC, u32(1) + u32(1) + str8("text")),
                          {{"Sheet1", record(0x00FD, cell(0, 0) + u32(0)) + record(0x0203, cell(1, 0) + f64(1))}});
}
// Big enough that the stream lives in regular sectors rather than the mini stream.
std::string bigStream() {
    return workbookStream(defaultStyles() + filler(10000), {{"Sheet1", record(0x0203, cell(1, 0) + f64(1))}});
}

std::string patched(std::string file, const std::function<void(std::string&)>& change) {
    change(file);
    return file;
}

struct Case {
    const char* name;
    std::string file;
    const char* expect; // part of the message
};

std::vector<Case> cases() {
    std::string ole = oleFile(validStream());
    std::string big = oleFile(bigStream());
    std::string stream = validStream();
    auto inStream = [](const std::string& s) { return oleFile(s); };
    return {
        {"empty file", "", "没有 OLE2 容器"},
        {"text file", "name,value\n1,2\n", "没有 OLE2 容器"},
        {"header cut off", ole.substr(0, 300), "比 512 字节的文件头还短"},
        {"odd sector size", patched(ole, [](std::string& f) { put16(f, 0x1E, 20); }), "扇区大小为 2^20"},
        {"huge FAT count", patched(ole, [](std::string& f) { put32(f, 0x2C, 0xFFFFFFF0u); }),
         "FAT 扇区数为 4294967280"},
        {"directory outside the file", patched(ole, [](std::string& f) { put32(f, 0x30, 100000); }),
         "目录位于文件之外"},
        {"stream chain loops",
         patched(big,
                 [](std::string& f) {
                     uint32_t start = le32(f, workbookEntryAt(f) + 0x74);
                     put32(f, fatEntryAt(f, start), start);
                 }),
         "已损坏"},
        {"stream larger than the file", // the container library drops such an entry
         patched(big, [](std::string& f) { put32(f, workbookEntryAt(f) + 0x78, 0x7FFFFF00u); }),
         "没有 Workbook 或 Book 流"},
        {"no workbook stream", oleFile(stream, "Contents"), "OLE2 容器中没有 Workbook 或 Book 流（其中有：Contents）"},
        {"record past the end", inStream(workbookStream("", {{"S", u16(0x0203) + u16(100) + "short"}})),
         "NUMBER（第 57 字节处）: 记录需要 100 字节，但流在 9 字节后就结束了"},
        {"record over the length limit",
         inStream(record(0x0809, u16(0x0600) + u16(5)) + u16(0x00FC) + u16(9000) + std::string(9000, '\0')),
         "长度 9000 超过了格式允许的 8224 字节上限"},
        {"globals cut off", inStream(stream.substr(0, 200)), "不完整"},
        {"sheet cut off", inStream(stream.substr(0, stream.size() - 6)), "工作表“Sheet1”"},
        {"globals without EOF", inStream(record(0x0809, u16(0x0600) + u16(5)) + defaultStyles()), "没有 EOF 记录"},
        {"encrypted", inStream(workbookStream(record(0x002F, u16(1) + std::string(52, '\0')), {})), "工作簿设有密码"},
        {"BIFF4 file", inStream(record(0x0409, u16(0) + u16(0x0100))), "BIFF2-4"},
        {"not starting with BOF", inStream(record(0x0203, cell(0, 0) + f64(1))), "不是工作簿流"},
        {"sheet outside the stream",
         inStream(patched(stream, [](std::string& s) { put32(s, s.find("Sheet1") - 8, 0x00FFFFFF); })),
         "在工作簿流之外"},
        {"sheet without EOF", inStream(stream.substr(0, stream.size() - 4)), "结尾缺少 EOF 记录"},
        {"shared string cut off",
         inStream(workbookStream(record(0x00FC, u32(1) + u32(1) + u16(100) + u8(0) + "abc"), {})),
         "长 100 个字符的字符串在第 3 个字符后中断"},
        {"XF too short", inStream(workbookStream(record(0x00E0, u16(0) + u16(0)), {})), "XF"},
        {"formula tokens past the record",
         inStream(
             workbookStream("", {{"S", record(0x0006, cell(0, 0) + f64(1) + u16(0) + u32(0) + u16(50) + "\x1E")}})),
         "FORMULA"},
        {"MULRK without room for its end", inStream(workbookStream("", {{"S", record(0x00BD, u16(0) + u16(0))}})),
         "MULRK"},
    };
}

// Opens the file and reads every sheet, as a user of the object model would.
void readAll(const std::string& file) {
    auto book = readFile(file);
    for (auto& sheet : book->sheets) sheet->ensureLoaded();
}

} // namespace

TEST(XlsBrokenInput, EachFailsWithAClearMessage) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        try {
            readAll(c.file);
            ADD_FAILURE() << "no error";
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("test.xls", 0), 0u) << "message must name the file: " << e.what();
        }
    }
}

// A directory chain that comes back to itself is cut where it repeats: the file reads, and nothing hangs.
TEST(XlsBrokenInput, DirectoryLoopEndsWithoutHanging) {
    std::string ole = oleFile(validStream());
    put32(ole, fatEntryAt(ole, le32(ole, 0x30)), le32(ole, 0x30));
    auto book = readFile(ole);
    EXPECT_EQ(textAt(*book, 0, 0), "text");
}

TEST(XlsBrokenInput, AFailedSheetFailsAgainAndOthersStillLoad) {
    std::string stream = workbookStream("", {{"Good", record(0x0203, cell(0, 0) + f64(1))},
                                             {"Bad", record(0x00BD, u16(0) + u16(0))}});
    auto book = readFile(oleFile(stream));
    EXPECT_THROW(book->sheets[1]->ensureLoaded(), EngineError);
    EXPECT_EQ(book->sheets[1]->rowCount(), 0u);
    EXPECT_THROW(book->sheets[1]->ensureLoaded(), EngineError);
    EXPECT_EQ(at(*book, 0, 0).number, 1);
}

TEST(XlsBrokenInput, FilesFromTheFuzzerFailCleanly) {
    std::filesystem::path dir = std::filesystem::path(TABRIX_SOURCE_DIR) / "tests" / "fuzzcases" / "xls";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no fuzz cases";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_THROW(readAll(tabrix::test::readFile(entry.path().string())), EngineError);
    }
}
