#include "engine/text/HtmlStyleSheet.h"

#include "engine/text/TextValue.h"

namespace tabrix::engine::text {

namespace {
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

size_t findNoCase(std::string_view hay, std::string_view needle) {
    if (hay.size() < needle.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && lower(hay[i + k]) == needle[k])
            ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

// The value of "mso-number-format" in a block of declarations, as written (quotes and escapes kept).
std::string_view formatDeclaration(std::string_view body) {
    size_t at = findNoCase(body, "mso-number-format");
    if (at == std::string_view::npos) return {};
    at = body.find(':', at);
    if (at == std::string_view::npos) return {};
    ++at;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\n' || body[at] == '\r'))
        ++at;
    size_t end = at;
    bool quoted = false;
    for (; end < body.size(); ++end) {
        const char c = body[end];
        if (c == '\\') {
            ++end;
        } else if (c == '"') {
            quoted = !quoted;
        } else if ((c == ';' || c == '}') && !quoted) {
            break;
        }
    }
    return body.substr(at, std::min(end, body.size()) - at);
}
} // namespace

std::string msoNumberFormat(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size())
            out += value[++i];
        else if (c != '"')
            out += c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t' || out.back() == '\r' || out.back() == '\n'))
        out.pop_back();
    // A date with ";@" after it is still a date; the text section only matters for text.
    if (out.size() > 2 && out.ends_with(";@")) out.resize(out.size() - 2);
    if (auto code = namedFormatCode(out)) return *code;
    return out;
}

void HtmlStyleSheet::parse(std::string_view css) {
    size_t pos = 0;
    while (pos < css.size()) {
        const size_t open = css.find('{', pos);
        if (open == std::string_view::npos) return;
        const size_t close = css.find('}', open);
        const size_t end = close == std::string_view::npos ? css.size() : close;
        std::string_view selector = css.substr(pos, open - pos);
        std::string_view value = formatDeclaration(css.substr(open + 1, end - open - 1));
        if (!value.empty()) {
            const std::string code = msoNumberFormat(value);
            for (size_t dot = selector.find('.'); dot != std::string_view::npos; dot = selector.find('.', dot + 1)) {
                size_t e = dot + 1;
                while (e < selector.size() && (std::isalnum(static_cast<unsigned char>(selector[e])) ||
                                               selector[e] == '-' || selector[e] == '_'))
                    ++e;
                if (e > dot + 1 && m_classFormats.size() < 100000)
                    m_classFormats[std::string(selector.substr(dot + 1, e - dot - 1))] = code;
            }
        }
        pos = end + 1;
    }
}

std::string HtmlStyleSheet::cellFormat(const std::string* style, const std::string* classes) const {
    if (style) {
        std::string_view value = formatDeclaration(*style);
        if (!value.empty()) return msoNumberFormat(value);
    }
    if (classes && !m_classFormats.empty()) {
        std::string_view list = *classes;
        while (!list.empty()) {
            const size_t space = list.find(' ');
            auto it = m_classFormats.find(std::string(list.substr(0, space)));
            if (it != m_classFormats.end()) return it->second;
            if (space == std::string_view::npos) break;
            list.remove_prefix(space + 1);
        }
    }
    return {};
}

} // namespace tabrix::engine::text
