#include "engine/EngineError.h"
#include "engine/xlsx/XlsxWriteZip.h"
#include "engine/xlsx/ZipWriter.h"

#include "support/TestPaths.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <zip.h>

using namespace tabrix;
using engine::xlsx::XlsxPackageEditor;

namespace {
std::function<size_t(char*, size_t)> from(std::string s) {
    auto text = std::make_shared<std::string>(std::move(s));
    auto pos = std::make_shared<size_t>(0);
    return [text, pos](char* buf, size_t cap) {
        size_t n = std::min(cap, text->size() - *pos);
        std::memcpy(buf, text->data() + *pos, n);
        *pos += n;
        return n;
    };
}

std::string rows(size_t bytes, const std::string& tag) {
    std::string s;
    for (int i = 0; s.size() < bytes; ++i)
        s += "<row r=\"" + std::to_string(i) + "\"><c><v>" + tag + std::to_string(i * 3) + "</v></c></row>";
    return s;
}

void makePackage(const std::string& path, const std::vector<std::string>& parts) {
    engine::xlsx::ZipWriter zw(path);
    for (const auto& name : parts)
        zw.addDeflated(name, from("old " + name), 6);
    zw.finish();
}

std::vector<std::pair<std::string, std::string>> contents(const std::string& path) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &err);
    EXPECT_NE(z, nullptr) << err;
    std::vector<std::pair<std::string, std::string>> all;
    if (!z) return all;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        EXPECT_EQ(zip_fread(f, data.data(), st.size), zip_int64_t(st.size)) << st.name;
        zip_fclose(f);
        all.emplace_back(st.name, std::move(data));
    }
    zip_close(z);
    return all;
}
} // namespace

// Parts produced while the package is written are read and deflated ahead on other threads; the file must still
// hold every part once, in the package's order with new parts last, whatever their sizes (one above the size
// deflated in one piece sits between small ones).
TEST(PackageEditor, PartsMadeAheadLandInOrder) {
    test::TempDir dir;
    const std::string path = dir.file("p.zip");
    makePackage(path, {"a.xml", "s1.xml", "b.xml", "s2.xml", "s3.xml", "c.xml"});
    const std::string s1 = rows(200000, "x"), s2 = rows((5u << 20) + 77, "y"), s3 = "", s4 = rows(90000, "z");
    {
        XlsxPackageEditor editor(path);
        editor.writeStream("s1.xml", from(s1), 1);
        editor.writeStream("s2.xml", from(s2), 1);
        editor.writeStream("s3.xml", from(s3), 1);
        editor.write("b.xml", "new b");
        editor.writeStream("s4.xml", from(s4), 1);
        editor.write("d.xml", "new d");
        editor.commit();
    }
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.xml", "old a.xml"}, {"s1.xml", s1},         {"b.xml", "new b"}, {"s2.xml", s2},
        {"s3.xml", s3},         {"c.xml", "old c.xml"}, {"s4.xml", s4},     {"d.xml", "new d"}};
    const auto got = contents(path);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first);
        EXPECT_TRUE(got[i].second == expected[i].second) << got[i].first;
    }
}

// A part that fails while it is made ahead fails the save with its own message and leaves the package as it was.
TEST(PackageEditor, APartFailingOnAnotherThreadFailsTheSave) {
    test::TempDir dir;
    const std::string path = dir.file("p.zip");
    makePackage(path, {"a.xml", "s1.xml", "s2.xml"});
    {
        XlsxPackageEditor editor(path);
        editor.writeStream("s1.xml", from(rows(100000, "x")), 1);
        editor.writeStream(
            "s2.xml", [](char*, size_t) -> size_t { throw engine::EngineError("第 7 行无法写出"); }, 1);
        try {
            editor.commit();
            FAIL() << "expected an error";
        } catch (const engine::EngineError& e) {
            EXPECT_STREQ(e.what(), "第 7 行无法写出");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".pkg"));
    const auto got = contents(path);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].second, "old s1.xml");
}
