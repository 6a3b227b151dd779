#pragma once

// Parser of A1 formula text into an operator tree for the 2003-format encoder; not a public engine header.

#include "engine/formula/FormulaTokenizer.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tabrix::engine::formula::biff {

enum class NodeKind : uint8_t {
    Number,
    String,
    Bool,
    Error,
    Reference,
    Name,
    Function,
    Unary,
    Binary,
    Paren,
    Missing,
    Array
};

// A parsed formula as a tree: token classes depend on where an operand is used, which is only known once the
// operator after it has been read, so tokens are written from the finished tree.
struct Node {
    NodeKind kind = NodeKind::Missing;
    uint8_t op = 0; // ptg of a unary or binary operator
    const FormulaToken* token = nullptr;
    std::vector<int> children;
};

/// Precedence-climbing parser over the tokenizer's tokens (whitespace already removed).
class Parser {
public:
    Parser(std::string_view text, std::vector<FormulaToken> tokens) : m_text(text), m_tokens(std::move(tokens)) {}

    /// Root node, or -1 when the text is not a formula this encoder understands.
    int parse();
    const std::vector<Node>& nodes() const { return m_nodes; }
    std::string_view text(const FormulaToken& t) const { return slice(t.begin, t.end); }
    std::string_view slice(size_t begin, size_t end) const { return m_text.substr(begin, end - begin); }

private:
    int binary(int minLevel, bool unionAllowed);
    int percent(bool unionAllowed);
    int unary(bool unionAllowed);
    int unionList(bool unionAllowed);
    int intersection();
    int range();
    int primary();
    int functionCall();

    const FormulaToken* peek() const { return m_pos < m_tokens.size() ? &m_tokens[m_pos] : nullptr; }
    bool peekIs(TokenKind kind, std::string_view text = {}) const {
        const FormulaToken* t = peek();
        return t && t->kind == kind && (text.empty() || this->text(*t) == text);
    }
    int fail() {
        m_failed = true;
        return -1;
    }
    int add(Node node) {
        m_nodes.push_back(std::move(node));
        return int(m_nodes.size()) - 1;
    }
    int operation(NodeKind kind, uint8_t op, std::vector<int> children) {
        Node n;
        n.kind = kind;
        n.op = op;
        n.children = std::move(children);
        return add(std::move(n));
    }

    std::string_view m_text;
    std::vector<FormulaToken> m_tokens;
    std::vector<Node> m_nodes;
    size_t m_pos = 0;
    int m_depth = 0;
    bool m_failed = false;
};

} // namespace tabrix::engine::formula::biff
