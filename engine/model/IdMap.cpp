#include "engine/model/IdMap.h"

#include <algorithm>

namespace tabrix::engine {

uint32_t& IdMap::slot(uint32_t id, uint32_t poolSize) {
    if (m_dense.empty()) {
        if (m_sparse.size() < poolSize / 16 + 64) return m_sparse.try_emplace(id, kUnmapped).first->second;
        m_dense.assign(std::max(poolSize, id + 1), kUnmapped);
        for (const auto& [from, to] : m_sparse) {
            if (from >= m_dense.size()) m_dense.resize(size_t(from) + 1, kUnmapped);
            m_dense[from] = to;
        }
        m_sparse.clear();
    }
    if (id >= m_dense.size()) m_dense.resize(size_t(id) + 1, kUnmapped);
    return m_dense[id];
}

} // namespace tabrix::engine
