#include "engine/ssml/SsmlStyles.h"

#include "engine/text/TextValue.h"
#include "engine/xlsx/XmlText.h"

#include <cstring>

namespace tabrix::engine::ssml {

using xlsx::findAttr;

namespace {
bool isTrue(const char* v) {
    return v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
}

uint8_t horizontal(std::string_view v) {
    if (v == "Left") return 1;
    if (v == "Center") return 2;
    if (v == "Right") return 3;
    if (v == "Fill") return 4;
    if (v == "Justify") return 5;
    if (v == "CenterAcrossSelection") return 6;
    if (v == "Distributed") return 7;
    return 0;
}

uint8_t vertical(std::string_view v) {
    if (v == "Top") return 0;
    if (v == "Center") return 1;
    if (v == "Justify") return 3;
    if (v == "Distributed") return 4;
    return 2;
}

void applyFont(Font& font, const char** atts) {
    if (const char* v = findAttr(atts, "FontName")) font.name = v;
    if (auto size = xlsx::parseDouble(findAttr(atts, "Size") ? findAttr(atts, "Size") : "");
        size && *size > 0 && *size < 410)
        font.size = *size;
    if (const char* v = findAttr(atts, "Bold")) font.bold = isTrue(v);
    if (const char* v = findAttr(atts, "Italic")) font.italic = isTrue(v);
    if (const char* v = findAttr(atts, "StrikeThrough")) font.strike = isTrue(v);
    if (const char* v = findAttr(atts, "Color")) font.color = ssmlColor(v);
    if (const char* v = findAttr(atts, "Underline"))
        font.underline = std::strcmp(v, "Single") == 0             ? Underline::Single
                         : std::strcmp(v, "Double") == 0           ? Underline::Double
                         : std::strcmp(v, "SingleAccounting") == 0 ? Underline::SingleAccounting
                         : std::strcmp(v, "DoubleAccounting") == 0 ? Underline::DoubleAccounting
                                                                   : Underline::None;
}
} // namespace

Argb ssmlColor(const char* text) {
    if (!text || text[0] != '#' || std::strlen(text) != 7) return 0;
    uint32_t rgb = 0;
    for (int i = 1; i < 7; ++i) {
        const char c = char(std::tolower(static_cast<unsigned char>(text[i])));
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return 0;
        rgb = rgb << 4 | uint32_t(v);
    }
    return 0xFF000000u | rgb;
}

void SsmlStyles::begin(const char** atts) {
    const char* id = findAttr(atts, "ID");
    m_current = id ? id : "";
    if (m_current.empty() || m_entries.size() >= 65536) {
        m_current.clear();
        return;
    }
    // Styles come after their parents: a style starts as its parent (or Default) and its elements overlay it.
    const char* parent = findAttr(atts, "Parent");
    auto base = m_entries.find(parent ? parent : "Default");
    Style start = base != m_entries.end() && m_current != "Default" ? base->second : Style{};
    m_entries[m_current] = start;
}

void SsmlStyles::element(std::string_view name, const char** atts) {
    if (m_current.empty()) return;
    Style& s = m_entries[m_current];
    if (name == "NumberFormat") {
        const char* format = findAttr(atts, "Format");
        std::string code = format ? format : "General";
        if (auto named = text::namedFormatCode(code)) code = *named;
        s.numFmt = code.empty() ? "General" : code;
    } else if (name == "Font") {
        applyFont(s.font, atts);
    } else if (name == "Interior") {
        const char* pattern = findAttr(atts, "Pattern");
        const Argb color = ssmlColor(findAttr(atts, "Color"));
        if (color && (!pattern || std::strcmp(pattern, "None") != 0)) s.fill = Fill{1, color, 0};
    } else if (name == "Alignment") {
        if (const char* v = findAttr(atts, "Horizontal")) s.alignment.horizontal = horizontal(v);
        if (const char* v = findAttr(atts, "Vertical")) s.alignment.vertical = vertical(v);
        if (const char* v = findAttr(atts, "WrapText")) s.alignment.wrap = isTrue(v);
    }
}

void SsmlStyles::end(BookData& book) {
    m_current.clear();
    if (auto it = m_entries.find("Default"); it != m_entries.end()) book.styles.setDefault(it->second);
}

uint32_t SsmlStyles::styleFor(BookData& book, const std::string& id) {
    if (id.empty() || id == "Default") return 0;
    if (auto it = m_bookIds.find(id); it != m_bookIds.end()) return it->second;
    uint32_t bookId = 0;
    if (auto it = m_entries.find(id); it != m_entries.end()) bookId = book.styles.intern(it->second);
    m_bookIds.emplace(id, bookId);
    return bookId;
}

} // namespace tabrix::engine::ssml
