#include "engine/formula/FormulaTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace tabrix::engine::formula;

namespace {

using Lexeme = std::pair<TokenKind, std::string>;

std::vector<Lexeme> lex(std::string_view formula) {
    std::vector<Lexeme> out;
    for (const FormulaToken& t : tokenizeFormula(formula))
        out.emplace_back(t.kind, std::string(formula.substr(t.begin, t.end - t.begin)));
    return out;
}

TokenKind kindOfOnly(std::string_view formula) {
    auto tokens = tokenizeFormula(formula);
    EXPECT_EQ(tokens.size(), 1u) << formula;
    return tokens.empty() ? TokenKind::Unknown : tokens.front().kind;
}

constexpr auto Ref = TokenKind::Reference;
constexpr auto Op = TokenKind::Operator;

} // namespace

TEST(FormulaTokenizer, TellsCellReferencesFromNames) {
    for (const char* ref : {"A1", "$A$1", "ABC1", "XFD1048576", "TAX2024", "a1", "A1:B2", "A:C", "$1:$3", "1:3"})
        EXPECT_EQ(kindOfOnly(ref), Ref) << ref;
    for (const char* name : {"Sales", "A1B", "XFE1", "A0", "A1048577", "R1C1", "RC", "ABCD1", "_xlnm.Print_Area"})
        EXPECT_EQ(kindOfOnly(name), TokenKind::Name) << name;
    EXPECT_EQ(kindOfOnly("TRUE"), TokenKind::Bool);
    EXPECT_EQ(kindOfOnly("false"), TokenKind::Bool);
}

TEST(FormulaTokenizer, AReferenceCarriesItsParsedBounds) {
    auto tokens = tokenizeFormula("'My Sheet'!$B7:C$9");
    ASSERT_EQ(tokens.size(), 1u);
    const FormulaToken& t = tokens[0];
    EXPECT_EQ(t.areaBegin, 11u);
    ASSERT_EQ(t.boundCount, 2);
    EXPECT_TRUE(t.bounds[0].colAbsolute);
    EXPECT_FALSE(t.bounds[0].rowAbsolute);
    EXPECT_EQ(t.bounds[0].col, 2u);
    EXPECT_EQ(t.bounds[0].row, 7u);
    EXPECT_EQ(t.bounds[1].col, 3u);
    EXPECT_TRUE(t.bounds[1].rowAbsolute);

    auto column = tokenizeFormula("B:B")[0];
    EXPECT_TRUE(column.bounds[0].hasCol);
    EXPECT_FALSE(column.bounds[0].hasRow);
    auto row = tokenizeFormula("5:5")[0];
    EXPECT_FALSE(row.bounds[0].hasCol);
    EXPECT_EQ(row.bounds[1].row, 5u);
}

TEST(FormulaTokenizer, FunctionNamesEndBeforeTheParenthesis) {
    EXPECT_EQ(
        lex("LOG10(A1)"),
        (std::vector<Lexeme>{
            {TokenKind::Function, "LOG10"}, {TokenKind::OpenParen, "("}, {Ref, "A1"}, {TokenKind::CloseParen, ")"}}));
    EXPECT_EQ(lex("ATAN2(1,2)")[0].first, TokenKind::Function);
    EXPECT_EQ(lex("TRUE()")[0].first, TokenKind::Function);
    EXPECT_EQ(lex("_xlfn.XLOOKUP(")[0], (Lexeme{TokenKind::Function, "_xlfn.XLOOKUP"}));
}

TEST(FormulaTokenizer, PrefixesBelongToTheReference) {
    for (const char* ref : {"Sheet1!A1", "'My Sheet'!A1:B2", "'It''s'!A1", "Sheet1:Sheet3!A1", "[1]Sheet1!A1",
                            "'[1]My Sheet'!C:C", "Sheet1!#REF!", "数据!B2"})
        EXPECT_EQ(kindOfOnly(ref), Ref) << ref;
    EXPECT_EQ(kindOfOnly("Sheet1!Total"), TokenKind::Name);
    EXPECT_EQ(kindOfOnly("[1]!Rate"), TokenKind::Name);
}

TEST(FormulaTokenizer, LiteralsAndOperators) {
    EXPECT_EQ(lex("1E+10<>\"a\"\"b\""),
              (std::vector<Lexeme>{{TokenKind::Number, "1E+10"}, {Op, "<>"}, {TokenKind::String, "\"a\"\"b\""}}));
    EXPECT_EQ(
        lex("-.5%>=#N/A"),
        (std::vector<Lexeme>{{Op, "-"}, {TokenKind::Number, ".5"}, {Op, "%"}, {Op, ">="}, {TokenKind::Error, "#N/A"}}));
    EXPECT_EQ(lex("#div/0!&1E")[0], (Lexeme{TokenKind::Error, "#div/0!"}));
    EXPECT_EQ(lex("1E")[0], (Lexeme{TokenKind::Number, "1"}));
    EXPECT_EQ(lex("A1#")[1], (Lexeme{Op, "#"}));
    EXPECT_EQ(lex("{1,\"}\";3,4}*2")[0], (Lexeme{TokenKind::ArrayConstant, "{1,\"}\";3,4}"}));
}

TEST(FormulaTokenizer, StructuredReferencesStayWhole) {
    EXPECT_EQ(lex("Table1[[#This Row],[Col]]+1")[0], (Lexeme{TokenKind::StructuredRef, "Table1[[#This Row],[Col]]"}));
    EXPECT_EQ(lex("[@Col]*2")[0], (Lexeme{TokenKind::StructuredRef, "[@Col]"}));
    EXPECT_EQ(lex("T[a']b]")[0], (Lexeme{TokenKind::StructuredRef, "T[a']b]"}));
}

TEST(FormulaTokenizer, SpaceBetweenOperandsIsTheIntersection) {
    auto tokens = lex("SUM(A1:B2 B1:C3) + 1");
    EXPECT_EQ(tokens[3], (Lexeme{TokenKind::Intersect, " "}));
    EXPECT_EQ(tokens[6], (Lexeme{TokenKind::Whitespace, " "}));
    EXPECT_EQ(lex("( A1 )")[1].first, TokenKind::Whitespace);
    EXPECT_EQ(lex("( A1 )")[3].first, TokenKind::Whitespace);
}

TEST(FormulaTokenizer, EveryByteBelongsToOneToken) {
    for (std::string_view formula :
         {"=SUM(A1:B2, 'x y'!C3)", "'unterminated", "[unclosed", "{1,2", "$", "Sheet1!", "!!", "A1:", "中文名称+1"}) {
        std::string joined;
        size_t expectedBegin = 0;
        for (const FormulaToken& t : tokenizeFormula(formula)) {
            EXPECT_EQ(t.begin, expectedBegin) << formula;
            EXPECT_GT(t.end, t.begin) << formula;
            joined += formula.substr(t.begin, t.end - t.begin);
            expectedBegin = t.end;
        }
        EXPECT_EQ(joined, formula);
    }
}
