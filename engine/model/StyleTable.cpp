#include "engine/model/StyleTable.h"

#include <functional>

namespace tabrix::engine {

namespace {
inline void mix(size_t& seed, size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

size_t hashSide(const BorderSide& s) { return (size_t(s.style) << 32) ^ s.color; }
} // namespace

size_t hashStyle(const Style& s) {
    size_t h = std::hash<std::string>{}(s.numFmt);
    mix(h, std::hash<std::string>{}(s.font.name));
    mix(h, std::hash<double>{}(s.font.size));
    mix(h, size_t(s.font.bold) | size_t(s.font.italic) << 1 | size_t(s.font.strike) << 2 |
               size_t(s.font.underline) << 3 | size_t(s.font.vertAlign) << 6);
    mix(h, s.font.color);
    mix(h, size_t(s.fill.pattern) << 32 ^ s.fill.fg);
    mix(h, s.fill.bg);
    mix(h, hashSide(s.border.left));
    mix(h, hashSide(s.border.right));
    mix(h, hashSide(s.border.top));
    mix(h, hashSide(s.border.bottom));
    mix(h, size_t(s.alignment.horizontal) | size_t(s.alignment.vertical) << 4 | size_t(s.alignment.wrap) << 8 |
               size_t(s.alignment.rotation) << 9 | size_t(s.alignment.indent) << 17);
    mix(h, size_t(s.protection.locked) | size_t(s.protection.hidden) << 1);
    return h;
}

StyleTable::StyleTable() { m_styles.emplace_back(); }

uint32_t StyleTable::append(const Style& style) {
    m_styles.push_back(style);
    auto id = static_cast<uint32_t>(m_styles.size() - 1);
    if (m_indexed) m_index.emplace(&m_styles.back(), id);
    return id;
}

uint32_t StyleTable::intern(const Style& style) {
    if (!m_indexed) buildIndex();
    auto it = m_index.find(&style);
    if (it != m_index.end()) return it->second;
    return append(style);
}

const Style& StyleTable::get(uint32_t id) const { return id < m_styles.size() ? m_styles[id] : m_styles[0]; }

void StyleTable::setDefault(const Style& style) {
    m_styles[0] = style;
    m_index.clear();
    m_indexed = false;
}

void StyleTable::buildIndex() {
    m_index.clear();
    for (uint32_t i = 0; i < m_styles.size(); ++i) m_index.emplace(&m_styles[i], i);
    m_indexed = true;
}

} // namespace tabrix::engine
