#include "engine/formula/BiffFormulaParser.h"
#include "engine/formula/BiffPtg.h"

namespace tabrix::engine::formula::biff {

namespace {

// Precedence of the binary operators from loosest to tightest; ":", space and "," bind tighter than all of them and
// have their own parsing steps, as do unary signs and "%".
struct BinaryOperator {
    std::string_view text;
    uint8_t ptg;
    int level;
};
constexpr BinaryOperator kBinaryOperators[] = {
    {"=", 0x0B, 1},  {"<>", 0x0E, 1}, {"<", 0x09, 1}, {"<=", 0x0A, 1}, {">", 0x0D, 1}, {">=", 0x0C, 1},
    {"&", 0x08, 2},  {"+", 0x03, 3},  {"-", 0x04, 3}, {"*", 0x05, 4},  {"/", 0x06, 4}, {"^", 0x07, 5},
};

// Nesting beyond this is refused rather than risking the stack on hostile text; the program itself allows 64
// levels of nested functions.
constexpr int kMaxDepth = 200;

} // namespace

int Parser::parse() {
    const int root = binary(1, false);
    return m_failed || m_pos != m_tokens.size() ? -1 : root;
}

int Parser::binary(int minLevel, bool unionAllowed) {
    if (++m_depth > kMaxDepth) return fail();
    int left = percent(unionAllowed);
    --m_depth;
    while (!m_failed) {
        const FormulaToken* t = peek();
        const BinaryOperator* found = nullptr;
        for (const BinaryOperator& op : kBinaryOperators)
            if (t && t->kind == TokenKind::Operator && text(*t) == op.text) found = &op;
        if (!found || found->level < minLevel) break;
        ++m_pos;
        const int right = binary(found->level + 1, unionAllowed); // all left-associative, "^" included
        left = operation(NodeKind::Binary, found->ptg, {left, right});
    }
    return m_failed ? -1 : left;
}

int Parser::percent(bool unionAllowed) {
    int operand = unary(unionAllowed);
    while (!m_failed && peekIs(TokenKind::Operator, "%")) {
        ++m_pos;
        operand = operation(NodeKind::Unary, ptg::kPercent, {operand});
    }
    return operand;
}

// Signs bind tighter than "%" and "^": -2^2 is 4.
int Parser::unary(bool unionAllowed) {
    if (peekIs(TokenKind::Operator, "-") || peekIs(TokenKind::Operator, "+")) {
        const uint8_t op = text(m_tokens[m_pos]) == "-" ? ptg::kUminus : ptg::kUplus;
        ++m_pos;
        if (++m_depth > kMaxDepth) return fail();
        const int operand = unary(unionAllowed);
        --m_depth;
        return m_failed ? -1 : operation(NodeKind::Unary, op, {operand});
    }
    return unionList(unionAllowed);
}

// "," is the union operator only inside parentheses; in a function's argument list it separates arguments.
int Parser::unionList(bool unionAllowed) {
    int left = intersection();
    while (!m_failed && unionAllowed && peekIs(TokenKind::Separator, ",")) {
        ++m_pos;
        const int right = intersection();
        left = operation(NodeKind::Binary, ptg::kUnion, {left, right});
    }
    return m_failed ? -1 : left;
}

int Parser::intersection() {
    int left = range();
    while (!m_failed && peekIs(TokenKind::Intersect)) {
        ++m_pos;
        const int right = range();
        left = operation(NodeKind::Binary, ptg::kIsect, {left, right});
    }
    return m_failed ? -1 : left;
}

int Parser::range() {
    int left = primary();
    while (!m_failed && peekIs(TokenKind::Operator, ":")) {
        ++m_pos;
        const int right = primary();
        left = operation(NodeKind::Binary, ptg::kRange, {left, right});
    }
    return m_failed ? -1 : left;
}

int Parser::primary() {
    const FormulaToken* t = peek();
    if (!t) return fail();
    Node node;
    node.token = t;
    switch (t->kind) {
    case TokenKind::Number: node.kind = NodeKind::Number; break;
    case TokenKind::String: node.kind = NodeKind::String; break;
    case TokenKind::Bool: node.kind = NodeKind::Bool; break;
    case TokenKind::Error: node.kind = NodeKind::Error; break;
    case TokenKind::Reference: node.kind = NodeKind::Reference; break;
    case TokenKind::Name: node.kind = NodeKind::Name; break;
    case TokenKind::ArrayConstant: node.kind = NodeKind::Array; break;
    case TokenKind::Function: return functionCall();
    case TokenKind::OpenParen: {
        ++m_pos;
        const int inner = binary(1, true);
        if (m_failed || !peekIs(TokenKind::CloseParen)) return fail();
        ++m_pos;
        return operation(NodeKind::Paren, ptg::kParen, {inner});
    }
    default: return fail(); // structured references, "@", "#" spills, stray separators
    }
    ++m_pos;
    return add(std::move(node));
}

// Arguments may be left out ("IF(A1,,2)"); "F()" has none.
int Parser::functionCall() {
    Node call;
    call.kind = NodeKind::Function;
    call.token = &m_tokens[m_pos++];
    if (!peekIs(TokenKind::OpenParen)) return fail();
    ++m_pos;
    if (peekIs(TokenKind::CloseParen)) {
        ++m_pos;
        return add(std::move(call));
    }
    while (true) {
        if (peekIs(TokenKind::Separator, ",") || peekIs(TokenKind::CloseParen)) {
            call.children.push_back(add(Node{}));
        } else {
            call.children.push_back(binary(1, false));
            if (m_failed) return -1;
        }
        if (peekIs(TokenKind::CloseParen)) break;
        if (!peekIs(TokenKind::Separator, ",")) return fail();
        ++m_pos;
    }
    ++m_pos;
    return add(std::move(call));
}

} // namespace tabrix::engine::formula::biff
