#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrix::engine {

/// Texts of one workbook's cells (or formulas). Readers and copies append without looking for duplicates (a
/// shared-strings part is already unique, and a copied block brings its own texts); operations that enter a value
/// intern it, which looks only among the texts interned before. So a workbook that grows by millions of copied
/// cells never hashes them, and a text entered into many cells one by one is still stored once. A deque keeps
/// each string in place, so the index can hold views.
class StringPool {
public:
    uint32_t append(std::string text);
    uint32_t intern(std::string_view text);
    /// Moves every text of another pool to the end of this one (ids shift by this pool's size before the call);
    /// the other pool is left empty.
    void appendAll(StringPool&& other);
    const std::string& get(uint32_t id) const { return m_strings[id]; }
    uint32_t size() const { return static_cast<uint32_t>(m_strings.size()); }

private:
    std::deque<std::string> m_strings;
    std::unordered_map<std::string_view, uint32_t> m_index; ///< interned texts only
};

} // namespace tabrix::engine
