#include "engine/formula/FormulaShift.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tabrix::engine::formula::shiftFormula;

namespace {

struct ShiftCase {
    const char* formula;
    int64_t rows;
    int64_t cols;
    const char* expected;
};

void expectShifts(const std::vector<ShiftCase>& cases) {
    for (const ShiftCase& c : cases)
        EXPECT_EQ(shiftFormula(c.formula, c.rows, c.cols), c.expected)
            << c.formula << " moved by " << c.rows << " rows, " << c.cols << " columns";
}

} // namespace

TEST(FormulaShift, RelativePartsMoveAbsolutePartsStay) {
    expectShifts({
        {"A2*B2", 4, 0, "A6*B6"},
        {"$B$2*A2", 4, 0, "$B$2*A6"},
        {"$A2+A$2", 3, 2, "$A5+C$2"},
        {"A1", 0, 25, "Z1"},
        {"Z1", 0, 1, "AA1"},
        {"AZ1", 0, 1, "BA1"},
        {"XFC1", 0, 1, "XFD1"},
        {"C5", -2, -2, "A3"},
        {"a1+b2", 1, 0, "A2+B3"},
    });
}

TEST(FormulaShift, ZeroOffsetReturnsTheTextUntouched) {
    expectShifts({
        {"sum( a1 , b$2 )", 0, 0, "sum( a1 , b$2 )"},
        {"A01", 0, 0, "A01"},
    });
}

TEST(FormulaShift, AreasWholeColumnsAndWholeRows) {
    expectShifts({
        {"SUM(A2:C2)", 3, 1, "SUM(B5:D5)"},
        {"SUM($A:$A)", 5, 5, "SUM($A:$A)"},
        {"SUM(A:C)", 5, 1, "SUM(B:D)"},
        {"SUM(1:3)", 2, 7, "SUM(3:5)"},
        {"SUM($1:3)", 2, 0, "SUM($1:5)"},
        {"SUM(A1:$B$2)", 1, 1, "SUM(B2:$B$2)"},
        {"COUNT(XFD:XFD)", 0, -16383, "COUNT(A:A)"},
        {"SUMIFS(C:C,A:A,\">\"&E2)", 1, 1, "SUMIFS(D:D,B:B,\">\"&F3)"},
        {"=A1:B2", 1, 0, "=A2:B3"},
    });
}

TEST(FormulaShift, SheetQualifiedReferencesKeepTheirPrefix) {
    expectShifts({
        {"Sheet2!A1+'My Sheet'!B$3", 1, 1, "Sheet2!B2+'My Sheet'!C$3"},
        {"'It''s'!A1", 1, 0, "'It''s'!A2"},
        {"SUM(Sheet1:Sheet3!A1:A4)", 2, 0, "SUM(Sheet1:Sheet3!A3:A6)"},
        {"[1]Sheet1!$A1", 1, 1, "[1]Sheet1!$A2"},
        {"'[2]Data 2024'!C3", -1, 0, "'[2]Data 2024'!C2"},
        {"销售!A1*2", 1, 0, "销售!A2*2"},
        {"A1!B2", 1, 0, "A1!B3"},
    });
}

TEST(FormulaShift, TextNamesAndFunctionsAreNotReferences) {
    expectShifts({
        {"\"A1\"&A1", 1, 0, "\"A1\"&A2"},
        {"\"say \"\"B2\"\"\"&B2", 1, 0, "\"say \"\"B2\"\"\"&B3"},
        {"LOG10(A1)+ATAN2(B1,C1)", 1, 0, "LOG10(A2)+ATAN2(B2,C2)"},
        {"Sales*A1", 1, 0, "Sales*A2"},
        {"A1B+R1C1+TRUE", 1, 1, "A1B+R1C1+TRUE"},
        {"XFE1+A0+ABCD1", 1, 1, "XFE1+A0+ABCD1"},
        {"TAX2024", 1, 0, "TAX2025"},
        {"Sheet1!Total+[1]!Rate", 1, 1, "Sheet1!Total+[1]!Rate"},
        {"_xlfn.CONCAT(A1,B1)", 0, 1, "_xlfn.CONCAT(B1,C1)"},
        {"IF(ISERROR(A1),#N/A,#DIV/0!)", 1, 0, "IF(ISERROR(A2),#N/A,#DIV/0!)"},
        {"1E+10*A1+.5", 1, 0, "1E+10*A2+.5"},
    });
}

TEST(FormulaShift, ArrayConstantsAndStructuredReferencesAreNeverShifted) {
    expectShifts({
        {"SUM(A1*{1,2;3,4})", 1, 0, "SUM(A2*{1,2;3,4})"},
        {"{\"A1\",\"}\"}+B1", 0, 1, "{\"A1\",\"}\"}+C1"},
        {"Table1[[#This Row],[Col]]*A1", 1, 0, "Table1[[#This Row],[Col]]*A2"},
        {"Table1[[#Headers],['[A1']]]+B2", 1, 0, "Table1[[#Headers],['[A1']]]+B3"},
        {"[@Price]*B2", 1, 0, "[@Price]*B3"},
    });
}

TEST(FormulaShift, ReferencesPushedOffTheSheetBecomeRefErrors) {
    expectShifts({
        {"A1+B2", -1, 0, "#REF!+B1"},
        {"A1", 0, -1, "#REF!"},
        {"XFD1", 0, 1, "#REF!"},
        {"A1048576", 1, 0, "#REF!"},
        {"SUM(A1:B5)", -1, 0, "SUM(#REF!)"},
        {"SUM(A2:B5)", -1, 0, "SUM(A1:B4)"},
        {"SUM(B1:XFD1)", 0, 1, "SUM(#REF!)"},
        {"Sheet1!A1*2", -5, 0, "Sheet1!#REF!*2"},
        {"'My Sheet'!A:A", 0, -1, "'My Sheet'!#REF!"},
        {"SUM(1:1)", -1, 0, "SUM(#REF!)"},
        {"$A$1+A$1", -1, 0, "$A$1+A$1"},
        {"Sheet1!#REF!+A1", 1, 0, "Sheet1!#REF!+A2"},
    });
}

TEST(FormulaShift, LayoutIsReproducedByteForByte) {
    expectShifts({
        {"SUM( A1 , B1 )  +  sum(C1)", 1, 0, "SUM( A2 , B2 )  +  sum(C2)"},
        {"A1:A3 B2:C2", 1, 0, "A2:A4 B3:C3"},
        {"A1\n+B1", 1, 0, "A2\n+B2"},
        {"A1<>B1", 1, 0, "A2<>B2"},
        {"A1#", 1, 0, "A2#"},
        {"@A1:A3", 1, 0, "@A2:A4"},
        {"\"unterminated A1", 1, 0, "\"unterminated A1"},
        {"", 1, 1, ""},
    });
}
