#include "engine/text/HtmlTokenizer.h"

#include "engine/model/Utf8.h"

#include <cstring>

namespace tabrix::engine::text {

namespace {
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAlnum(char c) {
    return isAlpha(c) || (c >= '0' && c <= '9');
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

struct NamedReference {
    const char* name;
    uint32_t codePoint;
};

// The references table exports and hand-written pages use; others stay as written.
constexpr NamedReference kReferences[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},     {"apos", '\''},    {"nbsp", 0xA0},
    {"copy", 0xA9},     {"reg", 0xAE},      {"yen", 0xA5},      {"pound", 0xA3},   {"cent", 0xA2},    {"euro", 0x20AC},
    {"sect", 0xA7},     {"deg", 0xB0},      {"plusmn", 0xB1},   {"times", 0xD7},   {"divide", 0xF7},  {"middot", 0xB7},
    {"laquo", 0xAB},    {"raquo", 0xBB},    {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018},
    {"rsquo", 0x2019},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bull", 0x2022},  {"trade", 0x2122}, {"para", 0xB6},
    {"shy", 0xAD},      {"iexcl", 0xA1},    {"iquest", 0xBF},   {"micro", 0xB5},   {"ensp", 0x2002},  {"emsp", 0x2003},
    {"thinsp", 0x2009}, {"permil", 0x2030}, {"rarr", 0x2192},   {"larr", 0x2190},  {"uarr", 0x2191},  {"darr", 0x2193},
    {"le", 0x2264},     {"ge", 0x2265},     {"ne", 0x2260},     {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},
    {"Auml", 0xC4},     {"Ouml", 0xD6},     {"Uuml", 0xDC},     {"szlig", 0xDF},   {"eacute", 0xE9},  {"egrave", 0xE8},
    {"agrave", 0xE0},   {"aacute", 0xE1},   {"ccedil", 0xE7},   {"ntilde", 0xF1},  {"oacute", 0xF3},  {"uacute", 0xFA},
    {"iacute", 0xED},   {"Eacute", 0xC9},   {"ecirc", 0xEA},    {"ocirc", 0xF4},   {"acirc", 0xE2},
};

// Decodes one reference at text[i] == '&'; returns the length consumed, 0 when it is not one.
size_t decodeReference(std::string& out, std::string_view text, size_t i) {
    size_t j = i + 1;
    if (j < text.size() && text[j] == '#') {
        ++j;
        const bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
        if (hex) ++j;
        uint32_t cp = 0;
        size_t digits = 0;
        for (; j < text.size() && digits < 8; ++j, ++digits) {
            char c = text[j];
            int v = c >= '0' && c <= '9'                        ? c - '0'
                    : hex && lower(c) >= 'a' && lower(c) <= 'f' ? lower(c) - 'a' + 10
                                                                : -1;
            if (v < 0) break;
            cp = cp * (hex ? 16 : 10) + uint32_t(v);
        }
        if (digits == 0) return 0;
        if (j < text.size() && text[j] == ';') ++j;
        if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
        appendUtf8(out, cp);
        return j - i;
    }
    size_t end = j;
    while (end < text.size() && end - j < 10 && isAlnum(text[end]))
        ++end;
    std::string_view name = text.substr(j, end - j);
    for (const auto& ref : kReferences) {
        if (name != ref.name) continue;
        appendUtf8(out, ref.codePoint);
        return end - i + (end < text.size() && text[end] == ';' ? 1 : 0);
    }
    return 0;
}

size_t findNoCase(std::string_view hay, std::string_view needle, size_t from) {
    for (size_t at = from; (at = hay.find('<', at)) != std::string_view::npos; ++at) {
        if (hay.size() - at < needle.size()) return std::string_view::npos;
        size_t k = 0;
        while (k < needle.size() && lower(hay[at + k]) == needle[k])
            ++k;
        if (k == needle.size()) return at;
    }
    return std::string_view::npos;
}
} // namespace

const std::string* HtmlToken::attribute(std::string_view attrName) const {
    for (const auto& [name, value] : attributes)
        if (name == attrName) return &value;
    return nullptr;
}

void appendDecoded(std::string& out, std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const void* amp = std::memchr(text.data() + i, '&', text.size() - i);
        size_t at = amp ? size_t(static_cast<const char*>(amp) - text.data()) : text.size();
        out.append(text.data() + i, at - i);
        if (at >= text.size()) break;
        size_t used = decodeReference(out, text, at);
        if (used == 0) {
            out += '&';
            used = 1;
        }
        i = at + used;
    }
}

bool HtmlTokenizer::next(HtmlToken& token) {
    token.attributes.clear();
    token.text.clear();
    token.name.clear();
    token.selfClosing = false;
    if (m_pos >= m_doc.size()) return false;
    if (!m_rawEnd.empty()) {
        rawText(token);
        return true;
    }
    if (m_doc[m_pos] == '<' && tag(token)) return true;
    // Text up to the next '<' that starts markup.
    size_t end = m_pos + 1;
    while (end < m_doc.size()) {
        const void* lt = std::memchr(m_doc.data() + end, '<', m_doc.size() - end);
        if (!lt) {
            end = m_doc.size();
            break;
        }
        end = size_t(static_cast<const char*>(lt) - m_doc.data());
        if (end + 1 < m_doc.size() &&
            (isAlpha(m_doc[end + 1]) || m_doc[end + 1] == '/' || m_doc[end + 1] == '!' || m_doc[end + 1] == '?'))
            break;
        ++end;
    }
    token.kind = HtmlToken::Text;
    appendDecoded(token.text, m_doc.substr(m_pos, end - m_pos));
    m_pos = end;
    return true;
}

bool HtmlTokenizer::tag(HtmlToken& token) {
    const std::string_view rest = m_doc.substr(m_pos);
    if (rest.starts_with("<!--")) {
        size_t end = m_doc.find("-->", m_pos + 4);
        token.kind = HtmlToken::Comment;
        token.text = m_doc.substr(m_pos + 4, (end == std::string_view::npos ? m_doc.size() : end) - m_pos - 4);
        m_pos = end == std::string_view::npos ? m_doc.size() : end + 3;
        return true;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
        size_t end = m_doc.find('>', m_pos + 2);
        token.kind = HtmlToken::Declaration;
        token.text = m_doc.substr(m_pos + 2, (end == std::string_view::npos ? m_doc.size() : end) - m_pos - 2);
        m_pos = end == std::string_view::npos ? m_doc.size() : end + 1;
        return true;
    }
    const bool closing = rest.size() > 1 && rest[1] == '/';
    size_t i = m_pos + (closing ? 2 : 1);
    if (i >= m_doc.size() || !isAlpha(m_doc[i])) return false;
    token.kind = closing ? HtmlToken::EndTag : HtmlToken::StartTag;
    while (i < m_doc.size() && !isSpace(m_doc[i]) && m_doc[i] != '>' && m_doc[i] != '/')
        token.name += lower(m_doc[i++]);
    m_pos = i;
    attributes(token);
    if (closing) token.attributes.clear();
    if (!closing && !token.selfClosing &&
        (token.name == "script" || token.name == "style" || token.name == "title" || token.name == "textarea" ||
         token.name == "xmp"))
        m_rawEnd = "</" + token.name;
    return true;
}

void HtmlTokenizer::attributes(HtmlToken& token) {
    const size_t n = m_doc.size();
    size_t i = m_pos;
    while (i < n) {
        while (i < n && isSpace(m_doc[i]))
            ++i;
        if (i >= n) break;
        if (m_doc[i] == '>') {
            ++i;
            break;
        }
        if (m_doc[i] == '/') {
            token.selfClosing = i + 1 < n && m_doc[i + 1] == '>';
            ++i;
            continue;
        }
        std::string name;
        while (i < n && !isSpace(m_doc[i]) && m_doc[i] != '>' && m_doc[i] != '=' && (m_doc[i] != '/' || name.empty()))
            name += lower(m_doc[i++]);
        while (i < n && isSpace(m_doc[i]))
            ++i;
        std::string value;
        if (i < n && m_doc[i] == '=') {
            ++i;
            while (i < n && isSpace(m_doc[i]))
                ++i;
            size_t start = i, end = i;
            if (i < n && (m_doc[i] == '"' || m_doc[i] == '\'')) {
                end = m_doc.find(m_doc[i], i + 1);
                if (end == std::string_view::npos) end = n;
                start = i + 1;
                i = end < n ? end + 1 : n;
            } else {
                while (i < n && !isSpace(m_doc[i]) && m_doc[i] != '>')
                    ++i;
                end = i;
            }
            appendDecoded(value, m_doc.substr(start, end - start));
        }
        // A tag with thousands of attributes is not a table's: past 256 the rest are dropped unread, so a crafted
        // tag cannot make the duplicate test quadratic.
        if (!name.empty() && token.attributes.size() < 256 && !token.attribute(name))
            token.attributes.emplace_back(std::move(name), std::move(value));
    }
    m_pos = i;
}

void HtmlTokenizer::rawText(HtmlToken& token) {
    size_t end = findNoCase(m_doc, m_rawEnd, m_pos);
    if (end == std::string_view::npos) end = m_doc.size();
    token.kind = HtmlToken::Text;
    token.name = m_rawEnd.substr(2); // which element the raw text belongs to
    token.text = m_doc.substr(m_pos, end - m_pos);
    m_pos = end;
    m_rawEnd.clear();
}

} // namespace tabrix::engine::text
