#include "engine/text/CssRules.h"

#include <cstddef>
#include <string>

namespace tabrix::engine::text {

namespace {
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}


bool equalsNoCase(std::string_view s, std::string_view lowerWord) {
    if (s.size() != lowerWord.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (lower(s[i]) != lowerWord[i]) return false;
    return true;
}

// Reads a style sheet a piece at a time; every byte is looked at once.
class CssScanner {
public:
    explicit CssScanner(std::string_view css) : m_css(css) {}

    bool atEnd() const { return m_pos >= m_css.size(); }
    char peek() const { return m_css[m_pos]; }

    // White space and the comment markers of old browsers between rules.
    void skipBetweenRules() {
        while (!atEnd()) {
            if (isSpace(peek()) || peek() == ';') {
                ++m_pos;
            } else if (m_css.substr(m_pos).starts_with("<!--")) {
                m_pos += 4;
            } else if (m_css.substr(m_pos).starts_with("-->")) {
                m_pos += 3;
            } else if (!skipComment()) {
                return;
            }
        }
    }

    // Copies text up to the first of the stop characters outside strings, comments left out; returns that character
    // (consumed), or 0 at the end of the sheet.
    char copyUntil(std::string_view stops, std::string* out) {
        while (!atEnd()) {
            const char c = peek();
            if (skipComment()) continue;
            if (stops.find(c) != std::string_view::npos) {
                ++m_pos;
                return c;
            }
            const size_t from = m_pos;
            if (c == '"' || c == '\'') {
                skipString(c);
            } else {
                m_pos += c == '\\' && m_pos + 1 < m_css.size() ? 2 : 1;
            }
            if (out) out->append(m_css.substr(from, m_pos - from));
        }
        return 0;
    }

    // Skips the rest of a block whose "{" was read, blocks inside it too.
    void skipBlock() {
        for (size_t depth = 1; depth > 0;) {
            const char c = copyUntil("{}", nullptr);
            if (c == 0) return;
            depth += c == '{' ? 1 : -1;
        }
    }

private:
    bool skipComment() {
        if (!m_css.substr(m_pos).starts_with("/*")) return false;
        const size_t end = m_css.find("*/", m_pos + 2);
        m_pos = end == std::string_view::npos ? m_css.size() : end + 2;
        return true;
    }

    void skipString(char quote) {
        ++m_pos;
        while (!atEnd() && peek() != quote && peek() != '\n')
            m_pos += peek() == '\\' && m_pos + 1 < m_css.size() ? 2 : 1;
        if (!atEnd()) ++m_pos;
    }

    std::string_view m_css;
    size_t m_pos = 0;
};
} // namespace

bool isCssSpace(char c) {
    return isSpace(c);
}

std::string_view cssTrimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}


void forEachCssRule(std::string_view css,
                    const std::function<void(std::string_view selector, std::string_view declarations)>& rule) {
    CssScanner scan(css);
    std::string selector, body;
    while (true) {
        scan.skipBetweenRules();
        if (scan.atEnd()) return;
        if (scan.peek() == '@') {
            if (scan.copyUntil(";{", nullptr) == '{') scan.skipBlock();
            continue;
        }
        selector.clear();
        const char opened = scan.copyUntil("{}", &selector);
        if (opened != '{') continue; // a stray "}" ends nothing that was open: what came before it is no rule
        body.clear();
        scan.copyUntil("}", &body);
        rule(cssTrimmed(selector), body);
    }
}

DisplayDeclaration displayDeclaration(std::string_view declarations) {
    DisplayDeclaration found;
    CssScanner scan(declarations);
    std::string one;
    while (!scan.atEnd()) {
        one.clear();
        scan.copyUntil(";", &one);
        const size_t colon = one.find(':');
        if (colon == std::string::npos || !equalsNoCase(cssTrimmed(std::string_view(one).substr(0, colon)), "display"))
            continue;
        std::string_view value = cssTrimmed(std::string_view(one).substr(colon + 1));
        bool important = false;
        if (const size_t bang = value.rfind('!'); bang != std::string_view::npos) {
            important = equalsNoCase(cssTrimmed(value.substr(bang + 1)), "important");
            if (important) value = cssTrimmed(value.substr(0, bang));
        }
        if (found.important && !important) continue;
        found = {true, equalsNoCase(value, "none"), important};
    }
    return found;
}

} // namespace tabrix::engine::text
