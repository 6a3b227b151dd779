#include "engine/model/StringPool.h"

#include <iterator>

namespace tabrix::engine {

uint32_t StringPool::append(std::string text) {
    m_strings.push_back(std::move(text));
    return static_cast<uint32_t>(m_strings.size() - 1);
}

void StringPool::appendAll(StringPool&& other) {
    m_strings.insert(m_strings.end(), std::make_move_iterator(other.m_strings.begin()),
                     std::make_move_iterator(other.m_strings.end()));
    other.m_strings.clear();
    other.m_index.clear();
}

uint32_t StringPool::intern(std::string_view text) {
    auto it = m_index.find(text);
    if (it != m_index.end()) return it->second;
    const uint32_t id = append(std::string(text));
    m_index.emplace(m_strings.back(), id);
    return id;
}

} // namespace tabrix::engine
