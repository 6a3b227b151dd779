// Exact bytes of the 2003-format writer's building blocks: RK numbers, records that run on into CONTINUE,
// the shared string table and the palette.
#include "engine/xls/Biff8WritePalette.h"
#include "engine/xls/Biff8WriteSheet.h"
#include "engine/xls/Biff8WriteSst.h"
#include "engine/xls/Biff8WriteText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace tabrix::engine;
using namespace tabrix::engine::xls;

namespace {

// RK decoding written from the format's description, independent of the encoder.
double decodeRk(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = uint64_t(rk & ~3u) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return rk & 1 ? v / 100 : v;
}

uint64_t bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

TEST(Biff8Rk, KnownEncodings) {
    EXPECT_EQ(encodeRk(0), 0x00000002u);
    EXPECT_EQ(encodeRk(1), 0x00000006u);
    EXPECT_EQ(encodeRk(-1), 0xFFFFFFFEu);
    EXPECT_EQ(encodeRk(536870911), 0x7FFFFFFEu);
    EXPECT_EQ(encodeRk(-536870912), 0x80000002u);
    EXPECT_EQ(encodeRk(536870912), 0x41C00000u); // 2^29: no longer an RK integer, but its double fits
    EXPECT_EQ(encodeRk(1.5), 0x3FF80000u);
    EXPECT_EQ(encodeRk(-0.0), 0x80000000u); // keeps its sign
    EXPECT_EQ(encodeRk(0.01), 0x00000007u);
    EXPECT_EQ(encodeRk(12345.67), (1234567u << 2) | 3u);
    EXPECT_EQ(encodeRk(-98765.43), (static_cast<uint32_t>(-9876543) << 2) | 3u);
    EXPECT_EQ(encodeRk(0.1 + 0.2), std::nullopt);
    EXPECT_EQ(encodeRk(3.141592653589793), std::nullopt);
    EXPECT_EQ(encodeRk(1e-300), std::nullopt);
    EXPECT_EQ(encodeRk(123456789012345.0), std::nullopt);
    EXPECT_EQ(encodeRk(std::nan("")), std::nullopt);
    EXPECT_EQ(encodeRk(INFINITY), std::nullopt);
}

TEST(Biff8Rk, EveryEncodingDecodesToTheSameBits) {
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<int64_t> cents(-5000000000LL, 5000000000LL);
    std::uniform_real_distribution<double> wide(-1e12, 1e12);
    int encoded = 0;
    for (int i = 0; i < 200000; ++i) {
        double v = i % 3 == 0 ? double(cents(rng)) / 100 : i % 3 == 1 ? wide(rng) : std::ldexp(1.0, i % 2000 - 1000);
        auto rk = encodeRk(v);
        if (!rk) continue;
        ++encoded;
        ASSERT_EQ(bits(decodeRk(*rk)), bits(v)) << v;
    }
    EXPECT_GT(encoded, 60000);
    // Amounts with two decimals, the usual content of office sheets, all have the compact form.
    for (int64_t c = -200000; c <= 200000; c += 7)
        ASSERT_TRUE(encodeRk(double(c) / 100)) << c;
}

TEST(Biff8Continued, TextRunsOnWithAFreshOptionByteAndNeverSplitsASurrogatePair) {
    Biff8WriteBuffer out;
    Biff8ContinuedWriter w(out, rec::String);
    out.zeros(kMaxRecordLength - 5); // room for "A" and half of the pair
    std::string chars;
    bool wide = false;
    uint32_t units = appendBiff8Chars("A😀B", chars, wide); // A, high surrogate, low surrogate, B
    ASSERT_TRUE(wide);
    ASSERT_EQ(units, 4u);
    w.putChars(chars.data(), units, wide);
    w.finish();
    const std::string& b = out.bytes();
    ASSERT_EQ(b.size(), 4u + kMaxRecordLength - 3 + 4 + 1 + 6);
    EXPECT_EQ(hex(b.substr(0, 4)), "07 02 1D 20"); // STRING ends after "A", short of its limit
    EXPECT_EQ(hex(b.substr(4 + kMaxRecordLength - 5, 2)), "41 00");
    EXPECT_EQ(hex(b.substr(4 + kMaxRecordLength - 3)), "3C 00 07 00 01 3D D8 00 DE 42 00");
}

TEST(Biff8Continued, CompressedTextStaysCompressedAcrossRecords) {
    Biff8WriteBuffer out;
    Biff8ContinuedWriter w(out, rec::Sst);
    out.zeros(kMaxRecordLength - 2);
    std::string chars;
    bool wide = true;
    uint32_t units = appendBiff8Chars("éabc", chars, wide);
    EXPECT_FALSE(wide);
    w.putChars(chars.data(), units, wide);
    w.finish();
    EXPECT_EQ(hex(out.bytes().substr(4 + kMaxRecordLength - 2)), "E9 61 3C 00 03 00 00 62 63");
}

TEST(Biff8Sst, SmallTableAndItsIndex) {
    Biff8WriteSst sst(3);
    EXPECT_EQ(sst.add(2, "hi"), 0u);
    EXPECT_EQ(sst.add(0, "中"), 1u);
    EXPECT_EQ(sst.add(2, "hi"), 0u); // the same pool text is one table entry
    EXPECT_EQ(sst.add(1, std::string(32768, 'x')), std::nullopt);
    Biff8WriteBuffer out;
    sst.write(out);
    EXPECT_EQ(hex(out.bytes()), "FC 00 12 00 03 00 00 00 02 00 00 00 "        // SST: 3 uses, 2 strings
                                "02 00 00 68 69 "                             // "hi", compressed
                                "01 00 01 2D 4E "                             // "中", UTF-16LE
                                "FF 00 0A 00 08 00 0C 00 00 00 0C 00 00 00"); // EXTSST: 8 per bucket, 1 bucket
}

TEST(Biff8Sst, LongTablesBreakBetweenStringsOrInsideTheirCharacters) {
    Biff8WriteSst sst(2000);
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < 2000; ++i) {
        texts.push_back(std::string(1 + i % 50, char('a' + i % 26)) + (i % 5 == 0 ? "中" : ""));
        sst.add(i, texts.back());
    }
    Biff8WriteBuffer out;
    sst.write(out);
    // Re-read the records as a reader does: each CONTINUE that resumes a string starts with its option byte.
    const std::string& b = out.bytes();
    std::vector<std::pair<size_t, size_t>> records; // body start, length
    for (size_t p = 0; p < b.size();) {
        uint16_t id, len;
        std::memcpy(&id, &b[p], 2);
        std::memcpy(&len, &b[p + 2], 2);
        ASSERT_LE(len, kMaxRecordLength);
        if (id == rec::Sst || id == rec::Continue) records.push_back({p + 4, len});
        p += 4 + len;
    }
    ASSERT_GT(records.size(), 3u);
    size_t rec = 0, at = records[0].first + 8;
    auto end = [&] { return records[rec].first + records[rec].second; };
    for (uint32_t i = 0; i < 2000; ++i) {
        if (at == end()) at = records[++rec].first;
        uint16_t count;
        std::memcpy(&count, &b[at], 2);
        bool wideNow = b[at + 2] & 1;
        at += 3;
        std::u16string got;
        for (uint32_t k = 0; k < count; ++k) {
            if (at == end()) wideNow = b[records[++rec].first] & 1, at = records[rec].first + 1;
            char16_t u = uint8_t(b[at]);
            if (wideNow) u |= char16_t(uint8_t(b[at + 1]) << 8);
            at += wideNow ? 2 : 1;
            got += u;
        }
        std::u16string expected(texts[i].size() - (i % 5 == 0 ? 3 : 0), char16_t('a' + i % 26));
        if (i % 5 == 0) expected += u'中';
        ASSERT_EQ(got, expected) << i;
    }
}

TEST(Biff8Palette, DefaultColoursNeedNoRecordAndNewOnesTakeSpareEntriesFirst) {
    std::vector<std::string> warnings;
    Biff8WritePalette same;
    same.note(0xFFFF0000);
    same.note(0); // automatic
    same.resolve(warnings);
    EXPECT_EQ(same.index(0xFFFF0000), 10);
    EXPECT_FALSE(same.changed());
    Biff8WriteBuffer none;
    same.write(none);
    EXPECT_EQ(none.size(), 0u);

    // Entry 32 repeats entry 18's navy: the first entry given away.
    Biff8WritePalette custom;
    custom.note(0xFF123456);
    custom.resolve(warnings);
    EXPECT_EQ(custom.index(0xFF123456), 32);
    Biff8WriteBuffer out;
    custom.write(out);
    ASSERT_EQ(out.size(), 4u + 2 + 4 * 56);
    EXPECT_EQ(hex(out.bytes().substr(0, 6)), "92 00 E2 00 38 00");
    EXPECT_EQ(hex(out.bytes().substr(6 + 4 * 24, 4)), "12 34 56 00");
    EXPECT_TRUE(warnings.empty());
}
