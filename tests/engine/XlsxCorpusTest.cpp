// Every xlsx of the real-world corpus loads in full (or fails with a clear message when it cannot be a
// workbook), and the cells read match what openpyxl saw (the oracles), compared by tests/corpus/check_corpus.py.
#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace tabrix::engine;
namespace fs = std::filesystem;

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

// The dump form check_corpus.py reads (the same lines `tabrix-cli dump` prints).
void dumpBook(const BookData& book, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (const auto& sheet : book.sheets) {
        if (sheet->kind != SheetKind::Worksheet) continue;
        out << "# sheet " << sheet->name << "\n";
        for (uint32_t r = 0; r < sheet->rowCount(); ++r) {
            for (const Cell& c : sheet->rows()[r].cells) {
                std::string value;
                char type = 'n';
                switch (c.type) {
                case CellType::Empty: continue;
                case CellType::Number: {
                    char buf[32];
                    auto res = std::to_chars(buf, buf + sizeof buf, c.number);
                    value.assign(buf, res.ptr);
                    break;
                }
                case CellType::Text: type = 's', value = escaped(book.text(c)); break;
                case CellType::Boolean: type = 'b', value = c.boolean ? "TRUE" : "FALSE"; break;
                case CellType::Error: type = 'e', value = std::string(errorText(c.error)); break;
                }
                out << cellName(r, c.col) << '\t' << type << '\t' << value << '\n';
            }
        }
    }
}

std::vector<fs::path> corpusWorkbooks() {
    std::vector<fs::path> out;
    for (const fs::path& dir : {tabrix::test::corpusDir() / "files", tabrix::test::corpusDir() / "disguised/files"}) {
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::string ext = entry.path().extension().string();
            if (ext == ".xlsx" || ext == ".xlsm") out.push_back(entry.path());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string oracleOf(const fs::path& workbook) {
    return tabrix::test::readFile((workbook.parent_path().parent_path() / "oracle" /
                                   (workbook.filename().string() + ".json"))
                                      .string());
}

} // namespace

TEST(XlsxCorpus, EveryWorkbookLoadsOrSaysWhyNotAndMatchesItsOracle) {
    auto books = corpusWorkbooks();
    if (books.empty()) GTEST_SKIP() << "corpus not found at " << tabrix::test::corpusDir();
    tabrix::test::TempDir dumps;
    int loaded = 0;
    for (const auto& path : books) {
        std::string oracle = oracleOf(path);
        bool encrypted = oracle.find("\"encrypted\": true") != std::string::npos;
        bool foreign = oracle.find("\"container\"") != std::string::npos &&
                       oracle.find("\"container\": \"xlsx\"") == std::string::npos;
        try {
            auto book = xlsx::readXlsx(path.string());
            for (auto& sheet : book->sheets) sheet->ensureLoaded();
            dumpBook(*book, dumps.file(path.filename().string() + ".dump"));
            EXPECT_FALSE(encrypted || foreign) << path << " should not have loaded";
            ++loaded;
        } catch (const EngineError& e) {
            std::string message = e.what();
            if (encrypted)
                EXPECT_NE(message.find("工作簿设有密码"), std::string::npos) << message;
            else if (foreign)
                EXPECT_NE(message.find("不是"), std::string::npos) << message;
            else
                ADD_FAILURE() << message;
        }
    }
    EXPECT_GE(loaded, 45);
    std::string command = "TABRIX_CORPUS_DIR='" + tabrix::test::corpusDir().string() + "' /usr/bin/python3 " +
                          TABRIX_SOURCE_DIR + "/tests/corpus/check_corpus.py --dumps '" + dumps.path().string() +
                          "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "cells differ from the oracles (see the output above)";
}
