#include "engine/BiffTestFile.h"

#include "engine/model/CellAddress.h"
#include "engine/xls/XlsReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

namespace tabrix::test::biff {

using namespace tabrix::engine;
using tabrix::test::TempDir;

std::string u8(uint8_t v) { return std::string(1, char(v)); }
std::string u16(uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string u32(uint32_t v) { return u16(uint16_t(v & 0xFFFF)) + u16(uint16_t(v >> 16)); }

std::string f64(double v) {
    std::string out(8, '\0');
    std::memcpy(out.data(), &v, 8);
    return out;
}

std::string record(uint16_t id, const std::string& body) { return u16(id) + u16(uint16_t(body.size())) + body; }

std::string utf16(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        uint32_t cp;
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; k < len; ++k) cp = cp << 6 | (utf8[i + size_t(k)] & 0x3F);
        i += size_t(len);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += u16(uint16_t(0xD800 + (cp >> 10))) + u16(uint16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out += u16(uint16_t(cp));
        }
    }
    return out;
}

std::string str8(const std::string& latin1, int countBytes) {
    std::string count = countBytes == 1 ? u8(uint8_t(latin1.size())) : u16(uint16_t(latin1.size()));
    return count + u8(0) + latin1;
}

std::string str16(const std::string& utf8, int countBytes) {
    std::string units = utf16(utf8);
    size_t n = units.size() / 2;
    std::string count = countBytes == 1 ? u8(uint8_t(n)) : u16(uint16_t(n));
    return count + u8(1) + units;
}

std::string cell(uint16_t row, uint16_t col, uint16_t xf) { return u16(row) + u16(col) + u16(xf); }

std::string defaultStyles(int biff) {
    std::string font = u16(200) + u16(0) + u16(0x7FFF) + u16(400) + u16(0) + u8(0) + u8(0) + u8(0) + u8(0);
    font += biff >= 8 ? str8("Arial", 1) : u8(5) + "Arial";
    std::string out = record(0x0031, font);
    for (int i = 0; i < 16; ++i) {
        uint16_t type = i < 15 ? 0xFFF5 : 0x0001;
        std::string xf = u16(0) + u16(0) + u16(type) + u8(0x20);
        if (biff >= 8)
            xf += u8(0) + u8(0) + u8(0) + u32(0) + u32(0) + u16(64 | 65 << 7);
        else
            xf += u8(0) + u32(64 | 65 << 7) + u32(0);
        out += record(0x00E0, xf);
    }
    return out;
}

namespace {
std::string bof(int biff, uint16_t type) {
    if (biff >= 8) return record(0x0809, u16(0x0600) + u16(type) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
    return record(0x0809, u16(0x0500) + u16(type) + u16(0x0DBB) + u16(0x07CC));
}

std::string boundSheet(const Sheet& s, uint32_t position, int biff) {
    std::string body = u32(position) + u8(s.visibility) + u8(s.type);
    if (biff < 8) {
        std::string bytes = s.nameBytes.empty() ? s.name : s.nameBytes;
        return record(0x0085, body + u8(uint8_t(bytes.size())) + bytes);
    }
    bool ascii = std::all_of(s.name.begin(), s.name.end(), [](char c) { return (unsigned char)c < 0x80; });
    return record(0x0085, body + (ascii ? str8(s.name, 1) : str16(s.name, 1)));
}
} // namespace

std::string workbookStream(const std::string& globals, const std::vector<Sheet>& sheets, int biff) {
    std::string head = bof(biff, 0x0005) + globals;
    size_t listSize = 0;
    for (const Sheet& s : sheets) listSize += boundSheet(s, 0, biff).size();
    size_t position = head.size() + listSize + 4; // after the globals' EOF
    std::string list, bodies;
    for (const Sheet& s : sheets) {
        list += boundSheet(s, uint32_t(position + bodies.size()), biff);
        bodies += bof(biff, s.bofType) + s.records + record(0x000A, "");
    }
    return head + list + record(0x000A, "") + bodies;
}

std::string filler(size_t n) {
    std::string out;
    while (out.size() + 4 <= n) {
        size_t body = std::min<size_t>(n - out.size() - 4, 8000);
        out += record(0x01C1, std::string(body, '\0'));
    }
    return out;
}

std::string oleFile(const std::string& stream, const std::string& streamName) {
    gsf_init();
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memory);
    GsfOutput* child = gsf_outfile_new_child(ole, streamName.c_str(), FALSE);
    if (!child || !gsf_output_write(child, stream.size(), reinterpret_cast<const guint8*>(stream.data())))
        throw std::runtime_error("cannot write the test stream");
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    std::string out(reinterpret_cast<const char*>(bytes), size_t(gsf_output_size(memory)));
    g_object_unref(memory);
    return out;
}

std::unique_ptr<BookData> readFile(const std::string& file) {
    return xls::readXlsBytes({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, "test.xls");
}

std::unique_ptr<BookData> readStream(const std::string& stream, const std::string& name) {
    return readFile(oleFile(stream, name));
}

std::unique_ptr<BookData> oneSheet(const std::string& records, const std::string& globals) {
    return readStream(workbookStream(globals, {{"Sheet1", records}}));
}

const Cell& at(BookData& book, uint32_t row, uint32_t col, size_t sheet) {
    book.sheets[sheet]->ensureLoaded();
    const Cell* c = book.sheets[sheet]->find(row, col);
    if (!c) throw std::runtime_error("no cell at " + std::to_string(row) + "," + std::to_string(col));
    return *c;
}

std::string textAt(BookData& book, uint32_t row, uint32_t col, size_t sheet) {
    const Cell& c = at(book, row, col, sheet);
    return c.type == CellType::Text ? book.text(c) : "<not text>";
}

namespace {
// What xlrd sees: "Sheet!A1" → "n 1.5" / "s <utf-8 hex>" / "b 1" / "e #N/A".
std::map<std::string, std::string> xlrdCells(const std::string& path) {
    TempDir dir;
    std::string script = dir.file("cells.py");
    tabrix::test::writeFile(script, R"(import sys, xlrd
bk = xlrd.open_workbook(sys.argv[1])
for sh in bk.sheets():
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            x = sh.cell(r, c)
            key = '%s!%s' % (sh.name.encode('utf-8').hex(), xlrd.formula.cellname(r, c))
            if x.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE): print(key, 'n', repr(float(x.value)))
            elif x.ctype == xlrd.XL_CELL_TEXT and x.value: print(key, 's', x.value.encode('utf-8').hex())
            elif x.ctype == xlrd.XL_CELL_BOOLEAN: print(key, 'b', int(x.value))
            elif x.ctype == xlrd.XL_CELL_ERROR: print(key, 'e', xlrd.error_text_from_code[x.value])
)");
    std::map<std::string, std::string> out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("/usr/bin/python3 " + script + " " + path).c_str(), "r"),
                                                pclose);
    char line[65536];
    while (pipe && fgets(line, sizeof line, pipe.get())) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        auto space = s.find(' ');
        out[s.substr(0, space)] = s.substr(space + 1);
    }
    return out;
}

std::string hex(const std::string& s) {
    std::string out;
    char buf[3];
    for (unsigned char c : s) std::snprintf(buf, sizeof buf, "%02x", c), out += buf;
    return out;
}

// Our reading in xlrdCells' form; numbers are compared by value, so they are kept apart.
std::map<std::string, std::string> ourCells(BookData& book, std::map<std::string, double>& numbers) {
    std::map<std::string, std::string> out;
    for (auto& sheet : book.sheets) {
        if (sheet->kind != SheetKind::Worksheet) continue;
        sheet->ensureLoaded();
        for (uint32_t r = 0; r < sheet->rowCount(); ++r)
            for (const Cell& c : sheet->rows()[r].cells) {
                std::string key = hex(sheet->name) + "!" + cellName(r, c.col);
                if (c.type == CellType::Number) numbers[key] = c.number;
                if (c.type == CellType::Text && !book.text(c).empty()) out[key] = "s " + hex(book.text(c));
                if (c.type == CellType::Boolean) out[key] = std::string("b ") + (c.boolean ? "1" : "0");
                if (c.type == CellType::Error) out[key] = "e " + std::string(errorText(c.error));
            }
    }
    return out;
}

} // namespace

void expectSameAsXlrd(const std::string& file) {
    TempDir dir;
    std::string path = dir.file("book.xls");
    tabrix::test::writeFile(path, file);
    auto book = xls::readXls(path);
    std::map<std::string, double> numbers;
    auto ours = ourCells(*book, numbers);
    auto theirs = xlrdCells(path);
    ASSERT_FALSE(theirs.empty()) << "xlrd read nothing";
    for (auto& [key, value] : theirs) {
        if (value.rfind("n ", 0) == 0) {
            ASSERT_TRUE(numbers.count(key)) << key;
            EXPECT_EQ(numbers[key], std::strtod(value.c_str() + 2, nullptr)) << key;
            numbers.erase(key);
        } else {
            EXPECT_EQ(ours[key], value) << key;
            ours.erase(key);
        }
    }
    EXPECT_TRUE(numbers.empty()) << numbers.size() << " numbers xlrd does not see";
    EXPECT_TRUE(ours.empty()) << ours.size() << " cells xlrd does not see";
}


} // namespace tabrix::test::biff
