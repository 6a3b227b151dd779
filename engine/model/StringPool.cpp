#include "engine/model/StringPool.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace tabrix::engine {

namespace {
std::atomic<uint64_t> nextStamp{1};
} // namespace

StringPool::StringPool() : m_stamp(nextStamp.fetch_add(1, std::memory_order_relaxed)) {}

uint32_t StringPool::carry(const StringPool& from, uint32_t id) {
    if (from.m_stamp != m_carriedFrom) {
        m_carried.clear();
        m_carriedFrom = from.m_stamp;
    }
    uint32_t& mapped = m_carried.slot(id, from.size());
    if (mapped == IdMap::kUnmapped) mapped = append(from.get(id));
    return mapped;
}

uint32_t StringPool::append(std::string text) {
    if (m_later.empty()) {
        m_strings.push_back(std::move(text));
        ++m_headCount;
    } else {
        m_later.back().texts.push_back(std::move(text));
    }
    return m_size++;
}

void StringPool::appendAll(StringPool&& other) {
    auto take = [this](std::deque<std::string>&& texts) {
        if (texts.empty()) return;
        const auto count = uint32_t(texts.size());
        m_later.push_back({m_size, std::move(texts)});
        m_size += count;
    };
    take(std::move(other.m_strings));
    for (Part& part : other.m_later)
        take(std::move(part.texts));
    other = StringPool();
}

void StringPool::swap(StringPool& other) noexcept {
    m_strings.swap(other.m_strings);
    std::swap(m_headCount, other.m_headCount);
    std::swap(m_size, other.m_size);
    m_later.swap(other.m_later);
    m_index.swap(other.m_index);
    std::swap(m_stamp, other.m_stamp);
    std::swap(m_carriedFrom, other.m_carriedFrom);
    std::swap(m_carried, other.m_carried);
}

const std::string& StringPool::later(uint32_t id) const {
    // The last part whose first id is not above id.
    auto it = std::upper_bound(m_later.begin(), m_later.end(), id,
                               [](uint32_t v, const Part& p) { return v < p.first; });
    const Part& part = *(it - 1);
    return part.texts[id - part.first];
}

uint32_t StringPool::intern(std::string_view text) {
    auto it = m_index.find(text);
    if (it != m_index.end()) return it->second;
    const uint32_t id = append(std::string(text));
    m_index.emplace(get(id), id);
    return id;
}

} // namespace tabrix::engine
