#include "engine/model/StringPool.h"

namespace tabrix::engine {

uint32_t StringPool::append(std::string text) {
    m_strings.push_back(std::move(text));
    auto id = static_cast<uint32_t>(m_strings.size() - 1);
    if (m_indexed) m_index.emplace(m_strings.back(), id);
    return id;
}

uint32_t StringPool::intern(std::string_view text) {
    if (!m_indexed) {
        m_index.reserve(m_strings.size());
        for (uint32_t i = 0; i < m_strings.size(); ++i) m_index.emplace(m_strings[i], i);
        m_indexed = true;
    }
    auto it = m_index.find(text);
    if (it != m_index.end()) return it->second;
    return append(std::string(text));
}

} // namespace tabrix::engine
