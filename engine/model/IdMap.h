#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tabrix::engine {

/// Ids of one pool mapped to ids of another. A few ids out of a large pool are looked up in a hash map; once a
/// fair share of the pool is mapped it switches to a table indexed directly, so a large block maps each id without
/// hashing and a single row never pays for a table the size of the pool.
class IdMap {
public:
    static constexpr uint32_t kUnmapped = UINT32_MAX;
    /// The place of id's mapping, kUnmapped until set; poolSize is the size of the pool the ids come from.
    uint32_t& slot(uint32_t id, uint32_t poolSize);
    /// Forgets every mapping. Clearing a hash map costs as much as the most buckets it ever had, so one that grew
    /// large is replaced: copies that switch between pools row by row clear it once a row.
    void clear() {
        m_dense.clear();
        if (m_sparse.bucket_count() > kSmallBuckets)
            std::unordered_map<uint32_t, uint32_t>().swap(m_sparse);
        else
            m_sparse.clear();
    }

private:
    static constexpr size_t kSmallBuckets = 64;
    std::vector<uint32_t> m_dense;
    std::unordered_map<uint32_t, uint32_t> m_sparse;
};

} // namespace tabrix::engine
