#include "engine/zip/ZipWriter.h"
#include "engine/EngineError.h"

#include "support/TestPaths.h"

#include <cstring>
#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

using namespace tabrix;

namespace {
std::string readEntry(zip_t* z, const char* name) {
    zip_stat_t st;
    EXPECT_EQ(zip_stat(z, name, 0, &st), 0) << name;
    zip_file_t* f = zip_fopen(z, name, 0);
    EXPECT_NE(f, nullptr) << name;
    if (!f) return {};
    std::string data(st.size, '\0');
    EXPECT_EQ(zip_fread(f, data.data(), st.size), zip_int64_t(st.size));
    zip_fclose(f);
    return data;
}

std::function<size_t(char*, size_t)> from(const std::string& s) {
    auto pos = std::make_shared<size_t>(0);
    return [&s, pos](char* buf, size_t cap) {
        size_t n = std::min(cap, s.size() - *pos);
        std::memcpy(buf, s.data() + *pos, n);
        *pos += n;
        return n;
    };
}
} // namespace

// Parts up to 4 MiB are deflated in one piece; larger ones in independent blocks on two threads, whose pieces must
// read back as one stream with the right checksum. Sizes on both sides of that edge and of the block edges.
TEST(ZipWriter, WholeAndBlockwiseEntriesReadBack) {
    test::TempDir dir;
    const std::string path = dir.file("t.zip");
    std::string big;
    for (int i = 0; big.size() < (13u << 20) + 12345; ++i)
        big += "<c r=\"A" + std::to_string(i) + "\"><v>" + std::to_string(i * 7) + "</v></c>";
    const std::string small = big.substr(0, 300000);
    const std::string whole(4u << 20, 'x');    // the largest entry done in one piece
    const std::string blocks = whole + "y";    // the smallest done block by block
    const std::string stored = "stored as is";
    // Data that does not compress (stored blocks inside the stream), whole and block by block.
    std::string noise(6u << 20, '\0');
    uint64_t x = 88172645463325252ull;
    for (char& c : noise) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        c = char(x);
    }
    const std::string noiseWhole = noise.substr(0, 1u << 20);
    {
        engine::zipfile::ZipWriter zw(path);
        zw.addRaw("a/stored.txt", 0,
                  uint32_t(crc32(0, reinterpret_cast<const Bytef*>(stored.data()), uInt(stored.size()))), stored.size(),
                  stored);
        zw.addDeflated("empty.xml", from(std::string()), 1);
        zw.addDeflated("big.xml", from(big), 1);
        zw.addDeflated("small.xml", from(small), 1);
        zw.addDeflated("whole.xml", from(whole), 6);
        zw.addDeflated("blocks.xml", from(blocks), 1);
        zw.addDeflated("noise.bin", from(noise), 1);
        zw.addDeflated("noise-whole.bin", from(noiseWhole), 6);
        zw.finish();
    }
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &err);
    ASSERT_NE(z, nullptr) << err;
    EXPECT_EQ(zip_get_num_entries(z, 0), 8);
    EXPECT_EQ(readEntry(z, "a/stored.txt"), stored);
    EXPECT_EQ(readEntry(z, "empty.xml"), "");
    EXPECT_EQ(readEntry(z, "big.xml"), big);
    EXPECT_EQ(readEntry(z, "small.xml"), small);
    EXPECT_EQ(readEntry(z, "whole.xml"), whole);
    EXPECT_EQ(readEntry(z, "blocks.xml"), blocks);
    EXPECT_TRUE(readEntry(z, "noise.bin") == noise);
    EXPECT_TRUE(readEntry(z, "noise-whole.bin") == noiseWhole);
    zip_close(z);
}

TEST(ZipWriter, UnwritableTargetIsAClearError) {
    try {
        engine::zipfile::ZipWriter zw("/nonexistent-dir/x.zip");
        FAIL() << "expected an error";
    } catch (const engine::EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/x.zip"), std::string::npos);
    }
}
