// Password-protected workbooks: the real files of the corpus with the values a spreadsheet program shows once
// the password is given, and workbooks this engine protects itself, read back through the object model.
#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tabrix::engine;
namespace fs = std::filesystem;

namespace {

// A prompt that answers from a list and records what it was asked.
struct ScriptedPrompt {
    std::vector<std::string> answers;
    std::vector<crypto::PasswordRequest> asked;
    crypto::PasswordPrompt prompt() {
        return [this](const crypto::PasswordRequest& r) -> std::optional<crypto::Password> {
            asked.push_back(r);
            if (asked.size() > answers.size()) return std::nullopt;
            return crypto::Password(answers[asked.size() - 1]);
        };
    }
};

std::string text(Worksheet& ws, const char* cell) { return ws.Range(cell).Text(); }

fs::path corpusFile(const std::string& name) {
    for (const char* sub : {"files", "encrypted/files"})
        if (fs::exists(tabrix::test::corpusDir() / sub / name)) return tabrix::test::corpusDir() / sub / name;
    return {};
}

#define NEED_CORPUS_FILE(var, name)                                                                             \
    const fs::path var = corpusFile(name);                                                                      \
    if (var.empty()) GTEST_SKIP() << "the workbook corpus was not found (" name ")"

TEST(ProtectedCorpus, Rc4XlsOpensWithItsPasswordAfterAWrongOne) {
    NEED_CORPUS_FILE(path, "poi__password.xls");
    Application app;
    ScriptedPrompt answers{{"wrong", "password"}};
    app.setPasswordPrompt(answers.prompt());
    Workbook& book = app.Workbooks().Open(path.string());
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_FALSE(answers.asked[0].wrongBefore);
    EXPECT_TRUE(answers.asked[1].wrongBefore);
    EXPECT_EQ(answers.asked[0].scheme, "RC4");
    EXPECT_EQ(book.Worksheets(1).Name(), "Лист1");
    EXPECT_EQ(text(book.Worksheets(1), "D5").rfind("A ZIP bomb is a variant of mail-bombing.", 0), 0u);
    EXPECT_TRUE(book.HasPassword());
}

TEST(ProtectedCorpus, StandardAesXlsxOpensWithItsPassword) {
    NEED_CORPUS_FILE(path, "poi__protected_passtika.xlsx");
    Application app;
    ScriptedPrompt answers{{"tika"}};
    app.setPasswordPrompt(answers.prompt());
    Workbook& book = app.Workbooks().Open(path.string());
    EXPECT_EQ(answers.asked.at(0).scheme, "标准加密 AES-128");
    EXPECT_EQ(book.Worksheets(1).Name(), "Sheet1");
    EXPECT_EQ(text(book.Worksheets(1), "A1"), "This is an Encrypted Excel spreadsheet.");
}

TEST(ProtectedCorpus, XorObfuscatedXlsOpensWithItsPassword) {
    NEED_CORPUS_FILE(path, "poi__xor-encryption-abc.xls");
    Application app;
    ScriptedPrompt answers{{"abc"}};
    app.setPasswordPrompt(answers.prompt());
    Workbook& book = app.Workbooks().Open(path.string());
    EXPECT_EQ(answers.asked.at(0).scheme, "XOR 混淆");
    Worksheet& ws = book.Worksheets(1);
    EXPECT_EQ(ws.Name(), "Sheet1");
    EXPECT_EQ(std::get<double>(ws.Range("A1").Value()), 1.0);
    EXPECT_EQ(std::get<double>(ws.Range("A2").Value()), 2.0);
    EXPECT_EQ(std::get<double>(ws.Range("A3").Value()), 3.0);
}

TEST(ProtectedCorpus, DefaultPasswordOpensWithoutAsking) {
    NEED_CORPUS_FILE(path, "poi__protect.xlsx");
    Application app;
    ScriptedPrompt answers;
    app.setPasswordPrompt(answers.prompt());
    Workbook& book = app.Workbooks().Open(path.string());
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_FALSE(book.HasPassword()); // nothing to keep: its results are written unprotected
    EXPECT_EQ(book.Worksheets(1).Name(), "Лист1");
    EXPECT_EQ(text(book.Worksheets(1), "B4").rfind("При запуске пробной версии Office 2007", 0), 0u);
}

TEST(ProtectedCorpus, WithoutAPromptOrWhenDeclinedTheOpenIsRefused) {
    NEED_CORPUS_FILE(path, "poi__protected_passtika.xlsx");
    Application silent;
    EXPECT_THROW(silent.Workbooks().Open(path.string()), PasswordNotGivenError);
    Application declining;
    ScriptedPrompt answers{{"nope"}};
    declining.setPasswordPrompt(answers.prompt());
    try {
        declining.Workbooks().Open(path.string());
        FAIL() << "opened without its password";
    } catch (const PasswordNotGivenError& e) {
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos);
        EXPECT_EQ(std::string(e.what()).find("nope"), std::string::npos);
    }
    EXPECT_EQ(answers.asked.size(), 2u);
}

class ProtectedRoundTrip : public ::testing::TestWithParam<const char*> {};

// Our own protected writing (agile AES-256 for xlsx, RC4 CryptoAPI for xls), read back: the password is asked
// for, a wrong one is not taken, and the cells come back.
TEST_P(ProtectedRoundTrip, SavedWithAPasswordOpensOnlyWithIt) {
    tabrix::test::TempDir dir;
    const std::string path = dir.file(std::string("protected.") + GetParam());
    {
        Application app;
        Workbook& book = app.Workbooks().Add();
        Worksheet& ws = book.Worksheets(1);
        ws.Range("A1").SetValue(std::string("姓名"));
        ws.Range("B1").SetValue(1234.5);
        // Enough rows to cross many RC4 blocks and AES segments.
        for (uint32_t r = 2; r <= 800; ++r) ws.Cells(r, 1).SetValue("第" + std::to_string(r) + "行");
        book.SetPassword("密码 pw");
        book.SaveAs(path);
    }
    const std::string bytes = tabrix::test::readFile(path);
    EXPECT_EQ(bytes.find("姓名"), std::string::npos);
    EXPECT_EQ(bytes.find("Sheet1"), std::string::npos);

    Application app;
    ScriptedPrompt answers{{"密码", "密码 pw"}};
    app.setPasswordPrompt(answers.prompt());
    Workbook& back = app.Workbooks().Open(path);
    EXPECT_EQ(answers.asked.size(), 2u);
    Worksheet& ws = back.Worksheets(1);
    EXPECT_EQ(text(ws, "A1"), "姓名");
    EXPECT_EQ(std::get<double>(ws.Range("B1").Value()), 1234.5);
    EXPECT_EQ(text(ws, "A800"), "第800行");

    // Saved again without its password, it opens without a question.
    back.ClearPassword();
    back.SaveAs(dir.file(std::string("plain.") + GetParam()));
    Application silent;
    EXPECT_EQ(text(silent.Workbooks().Open(dir.file(std::string("plain.") + GetParam())).Worksheets(1), "A1"), "姓名");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, ProtectedRoundTrip, ::testing::Values("xlsx", "xls"));

TEST(ProtectedRoundTrip, DamagedEncryptedPackageNamesTheFileAndScheme) {
    tabrix::test::TempDir dir;
    const std::string path = dir.file("damaged.xlsx");
    {
        Application app;
        Workbook& book = app.Workbooks().Add();
        book.Worksheets(1).Range("A1").SetValue(1.0);
        book.SetPassword("pw");
        book.SaveAs(path);
    }
    std::string bytes = tabrix::test::readFile(path);
    // Flip a byte well inside the encrypted package (the container's streams come after its header sectors).
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x5A);
    tabrix::test::writeFile(path, bytes);
    Application app;
    ScriptedPrompt answers{{"pw"}};
    app.setPasswordPrompt(answers.prompt());
    try {
        app.Workbooks().Open(path);
        FAIL() << "a damaged package opened";
    } catch (const EngineError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(path), std::string::npos) << what;
        EXPECT_NE(what.find("AES-256"), std::string::npos) << what;
    }
}

} // namespace
