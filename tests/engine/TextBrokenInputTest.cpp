// Every input that ever crashed or hung a text reader (tests/fuzzcases/text) must now be read or refused with the
// engine's error, quickly.
#include "engine/EngineError.h"
#include "engine/TextTableTest.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tabrix::engine;

TEST(TextBrokenInput, FuzzFindingsAreReadOrRefused) {
    const auto dir = std::filesystem::path(TABRIX_SOURCE_DIR) / "tests" / "fuzzcases" / "text";
    size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        ++seen;
        const std::string bytes = tabrix::test::readFile(entry.path().string());
        try {
            auto book = tabrix::test::readText(bytes, entry.path().filename().string());
            for (auto& sheet : book->sheets)
                (void)sheet->usedRect();
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(entry.path().filename().string()), std::string::npos) << e.what();
        }
    }
    EXPECT_GT(seen, 0u);
}
