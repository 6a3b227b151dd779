#include "engine/formula/FormulaDelete.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tabrix::engine::formula::adjustForDelete;
using tabrix::engine::formula::DeletedCells;

namespace {

struct DeleteCase {
    const char* formula;
    const char* expected; // nullptr: unchanged
};

void expectAdjusted(const DeletedCells& deleted, const std::vector<DeleteCase>& cases) {
    for (const DeleteCase& c : cases) {
        auto result = adjustForDelete(c.formula, deleted);
        if (!c.expected)
            EXPECT_FALSE(result) << c.formula << " became " << result.value_or("");
        else
            EXPECT_EQ(result.value_or("(unchanged)"), c.expected) << c.formula;
    }
}

// Column C of rows 1 to 10 of "Data", cells to its right moving left.
const DeletedCells kColumnC{"Data", true, 1, 10, 3, 3, true};

} // namespace

TEST(FormulaDelete, CellsRightOfTheGapMoveLeftAbsoluteOrNot) {
    expectAdjusted(kColumnC, {
                                 {"D2*E2", "C2*D2"},
                                 {"$D$2+D$2+$D2", "$C$2+C$2+$C2"},
                                 {"A2+B2", nullptr},
                                 {"D11", nullptr}, // below the deleted rows: does not move
                                 {"SUM(D1:F10)", "SUM(C1:E10)"},
                                 {"\"D2\"&D2", "\"D2\"&C2"},
                             });
}

TEST(FormulaDelete, DeletedCellsBecomeRefAndSpanningAreasShrink) {
    expectAdjusted(kColumnC, {
                                 {"C2+1", "#REF!+1"},
                                 {"SUM(C1:C10)", "SUM(#REF!)"},
                                 {"SUM(A1:E10)", "SUM(A1:D10)"},
                                 {"SUM(C1:E10)", "SUM(C1:D10)"},
                                 {"SUM(A1:C10)", "SUM(A1:B10)"},
                                 {"SUM(A1:E11)", nullptr}, // reaches below the moved rows: left alone
                                 {"SUM(A:E)", nullptr},
                                 {"SUM(2:3)", nullptr},
                             });
}

TEST(FormulaDelete, OtherSheetsFollowOnlyThroughTheSheetName) {
    DeletedCells fromElsewhere = kColumnC;
    fromElsewhere.formulaOnThatSheet = false;
    expectAdjusted(fromElsewhere, {
                                      {"D2", nullptr},
                                      {"Data!D2+D2", "Data!C2+D2"},
                                      {"data!C2", "data!#REF!"},
                                      {"Other!D2", nullptr},
                                      {"[1]Data!D2", nullptr},
                                      {"Data:Other!D2", nullptr},
                                  });
    const DeletedCells quoted{"My 'Q' Sheet", false, 1, 10, 3, 3, true};
    expectAdjusted(quoted, {{"'My ''Q'' Sheet'!E5*2", "'My ''Q'' Sheet'!D5*2"}});
}

TEST(FormulaDelete, ShiftUpMovesRowsOfTheSameColumns) {
    const DeletedCells rows{"Data", true, 2, 3, 1, 2, false};
    expectAdjusted(rows, {
                             {"A5+B4", "A3+B2"},
                             {"C5", nullptr},
                             {"A2", "#REF!"},
                             {"SUM(A1:B6)", "SUM(A1:B4)"},
                             {"SUM(A1:C6)", nullptr},
                         });
}
