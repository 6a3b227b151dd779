#include "engine/model/ValueEquality.h"
#include "engine/object/Application.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <gtest/gtest.h>

using namespace tabrix::engine;

namespace {
Variant S(const char* s) {
    return std::string(s);
}
const Variant kEmpty;
} // namespace

TEST(ValuesEqual, KindsAndTheEmptyCell) {
    EXPECT_TRUE(valuesEqual(12.0, 12.0));
    EXPECT_TRUE(valuesEqual(-0.0, 0.0));
    EXPECT_FALSE(valuesEqual(0.1 + 0.2, 0.3));
    EXPECT_FALSE(valuesEqual(12.0, S("12")));
    EXPECT_TRUE(valuesEqual(S("Abc"), S("Abc")));
    EXPECT_FALSE(valuesEqual(S("Abc"), S("abc")));
    EXPECT_TRUE(valuesEqual(kEmpty, kEmpty));
    EXPECT_TRUE(valuesEqual(kEmpty, 0.0));
    EXPECT_TRUE(valuesEqual(S(""), kEmpty));
    EXPECT_FALSE(valuesEqual(S(""), 0.0));
    EXPECT_FALSE(valuesEqual(kEmpty, false));
    EXPECT_TRUE(valuesEqual(true, true));
    EXPECT_FALSE(valuesEqual(true, 1.0));
    EXPECT_TRUE(valuesEqual(ErrorCode::NA, ErrorCode::NA));
    EXPECT_FALSE(valuesEqual(ErrorCode::NA, ErrorCode::Div0));
    EXPECT_FALSE(valuesEqual(ErrorCode::NA, S("#N/A")));
}

TEST(LiteralKeyFind, WildcardCharactersInKeysAreTakenAsThemselves) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    const char* keys[] = {"abc", "a*", "a?c", "x~y", "A*"};
    for (uint32_t r = 1; r <= 5; ++r)
        ws.Cells(r, 1).SetValue(S(keys[r - 1]));
    Range col = ws.Range("A1:A5");
    EXPECT_EQ(std::get<std::string>(literalWhat(S("a*?~"))), "a~*~?~~");
    EXPECT_EQ(col.Find(literalWhat(S("a*")), xlWhole)->Address(), "$A$2");
    EXPECT_EQ(col.FindNext(*col.Find(literalWhat(S("a*")), xlWhole))->Address(), "$A$5");
    EXPECT_EQ(col.Find(literalWhat(S("A?C")), xlWhole)->Address(), "$A$3");
    EXPECT_EQ(col.Find(literalWhat(S("x~y")), xlWhole)->Address(), "$A$4");
    EXPECT_FALSE(col.Find(literalWhat(S("a")), xlWhole));
    EXPECT_EQ(col.Find(S("a*"), xlWhole)->Address(), "$A$2"); // unescaped, still a wildcard
    ws.Cells(6, 1).SetValue(S("#NAMEX"));
    ws.Cells(7, 1).SetValue(ErrorCode::Name);
    EXPECT_EQ(ws.Range("A1:A7").Find(ErrorCode::Name, xlWhole)->Address(), "$A$7");
}

TEST(LiteralKeyFind, AnEmptyKeyFindsEmptyCellsAndCellsPastTheStoredRows) {
    Application app;
    Worksheet& ws = app.Workbooks().Add().Worksheets(1);
    ws.Cells(1, 1).SetValue(S("k"));
    ws.Cells(3, 1).SetValue(S(""));
    ws.Cells(4, 1).SetValue(S("m"));
    ws.Cells(4, 2).SetValue(1.0);
    Range col = ws.Range("A1:A6");
    auto hit = col.Find(literalWhat(kEmpty), xlWhole);
    std::vector<std::string> seen;
    for (const std::string first = hit->Address(); hit; hit = col.FindNext(*hit)) {
        seen.push_back(hit->Address());
        if (col.FindNext(*hit)->Address() == first) break;
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"$A$2", "$A$3", "$A$5", "$A$6"}));
    EXPECT_FALSE(ws.Range("A1:A1").Find(literalWhat(kEmpty), xlWhole));
}
