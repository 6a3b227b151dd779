// Typing of table text and the encodings of text files.
#include "engine/text/TextValue.h"
#include "engine/TextTableTest.h"
#include "engine/text/TextEncoding.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;
using namespace tabrix::engine::text;

namespace {
std::string typed(std::string_view text) {
    const TypedText t = typeText(text);
    char buf[32];
    switch (t.type) {
    case CellType::Number: {
        auto res = std::to_chars(buf, buf + sizeof buf, t.number);
        return "n:" + std::string(buf, res.ptr) + (t.format == "General" ? "" : " " + std::string(t.format));
    }
    case CellType::Boolean:
        return t.boolean ? "b:TRUE" : "b:FALSE";
    case CellType::Error:
        return "e:" + std::string(errorText(t.error));
    case CellType::Text:
        return "s";
    case CellType::Empty:
        return "";
    }
    return "?";
}
} // namespace

TEST(TextValue, TypesAsTypedIntoACell) {
    const std::pair<const char*, const char*> cases[] = {
        {"12345", "n:12345"},
        {" 42 ", "n:42"},
        {"-0.5", "n:-0.5"},
        {".5", "n:0.5"},
        {"+7", "n:7"},
        {"1e3", "n:1000"},
        {"0", "n:0"},
        {"0.25", "n:0.25"},
        {"1,234", "n:1234 #,##0"},
        {"1,234,567.5", "n:1234567.5 #,##0.00"},
        {"41.09%", "n:0.4109 0.00%"},
        {"5%", "n:0.05 0%"},
        {"2024-01-05", "n:45296 yyyy/m/d"},
        {"2024/1/5 13:30", "n:45296.5625 yyyy/m/d h:mm"},
        {"1900-02-28", "n:59 yyyy/m/d"},
        {"8:05", "n:0.3368055555555556 h:mm"},
        {"2024-13-01", "s"},
        {"2024-05", "s"},
        {"2024/5/13%", "s"},
        {"1234-5678", "s"},
        {"TRUE", "b:TRUE"},
        {"false", "b:FALSE"},
        {"#N/A", "e:#N/A"},
        {"#DIV/0!", "e:#DIV/0!"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(typed(text), want) << text;
}

TEST(TextValue, DigitsANumberWouldLoseStayText) {
    for (const char* text : {"0012", "05", "-007", "00.5", "123456789012345678", "110101199003071234",
                             "1234567890123456", "1,23", "12,3456", "1.2.3", "2024-02-30", "2024-13-01", "25:00",
                             "1e999", "$1,337.00", "12 345", "#NULL?", "06-Dec-10", "1-2"})
        EXPECT_EQ(typed(text), "s") << text;
    EXPECT_EQ(typed("123456789012345"), "n:123456789012345"); // fifteen digits are still a number
}

TEST(TextEncoding, BomDeclarationUtf8ThenTheLegacyPageTheBytesLookLike) {
    EXPECT_EQ(decodeText("\xEF\xBB\xBFok").utf8, "ok");
    EXPECT_EQ(decodeText(std::string("\xFF\xFE"
                                     "a\0\x2D\x4E",
                                     6))
                  .utf8,
              "a中");
    EXPECT_EQ(decodeText(std::string("\xFE\xFF\0a\x4E\x2D", 6)).utf8, "a中");
    // Declared pages win over guessing; a wrong declaration the bytes do not fit does not.
    EXPECT_EQ(decodeText("\xC0\x31", "ISO-8859-2").utf8, "Ŕ1");
    EXPECT_EQ(decodeText("\xB5\xE7\xCA\xD3", "gb2312").utf8, "电视");
    EXPECT_EQ(decodeText("caf\xC3\xA9", "shift_jis-bogus").utf8, "café");
    // Undeclared: GBK even for two characters, Windows-1252 for accented Latin text.
    EXPECT_EQ(decodeText("\xD5\xC5\xC8\xFD").utf8, "张三");
    EXPECT_EQ(decodeText("\xD5\xC5\xC8\xFD,12\n").encoding, "GB18030");
    EXPECT_EQ(decodeText("R\xE9partition par pays").utf8, "Répartition par pays");
    EXPECT_FALSE(looksLikeText(std::string("PK\3\4\0\0", 6)));
    EXPECT_TRUE(looksLikeText("a,b\r\n1,2\n"));
}

namespace {
// UTF-8 as the standard defines it, one code point at a time, to hold the fast check against.
bool plainUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (n < 0 || i + size_t(n) >= s.size() + (n == 0 ? 1 : 0)) return false;
        uint32_t cp = n == 0 ? b : b & (0x3F >> n);
        for (int k = 1; k <= n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((c & 0xC0) != 0x80) return false;
            cp = cp << 6 | (c & 0x3F);
        }
        static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += size_t(n) + 1;
    }
    return true;
}
} // namespace

TEST(TextEncoding, Utf8CheckAgreesWithTheStandardOnEdgesAndNoise) {
    const std::vector<std::string> edges = {"",
                                            "abc",
                                            "姓名",
                                            "\xE4\xB8",
                                            "\xE0\x9F\xBF",
                                            "\xE0\xA0\x80",
                                            "\xED\x9F\xBF",
                                            "\xED\xA0\x80",
                                            "\xEF\xBF\xBF",
                                            "\xC0\x80",
                                            "\xC2\x80",
                                            "\xF0\x8F\xBF\xBF",
                                            "\xF0\x90\x80\x80",
                                            "\xF4\x8F\xBF\xBF",
                                            "\xF4\x90\x80\x80",
                                            "\xF5\x80\x80\x80",
                                            "\x80",
                                            "abcdefgh\xE4\xB8\xAD",
                                            "abcdefg\xE4\xB8",
                                            "\xE4\xB8\xADx\xE4"};
    for (const auto& s : edges)
        EXPECT_EQ(isValidUtf8(s), plainUtf8(s)) << testing::PrintToString(s);
    // Random mixtures of ASCII, Chinese, other lengths and broken sequences.
    uint64_t x = 2463534242;
    auto next = [&] { return x ^= x << 13, x ^= x >> 7, x ^= x << 17, x; };
    const char* pieces[] = {"a",        "12345678",         "姓", "é", "😀", "\xE4\xB8", "\xED\xA0\x80",
                            "\xC1\xBF", "\xF4\x90\x80\x80", ","};
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        const int count = int(next() % 12);
        for (int k = 0; k < count; ++k)
            s += pieces[next() % (next() % 5 == 0 ? 10 : 6)];
        EXPECT_EQ(isValidUtf8(s), plainUtf8(s)) << testing::PrintToString(s);
    }
}
