#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrix::engine {

/// Texts of one workbook's cells (or formulas). Readers append without looking for duplicates (a shared-strings
/// part is already unique); operations intern, and the lookup index is only built when first needed, so a large
/// file that is only read never pays for it. A deque keeps each string in place, so the index can hold views.
class StringPool {
public:
    uint32_t append(std::string text);
    uint32_t intern(std::string_view text);
    const std::string& get(uint32_t id) const { return m_strings[id]; }
    uint32_t size() const { return static_cast<uint32_t>(m_strings.size()); }

private:
    std::deque<std::string> m_strings;
    std::unordered_map<std::string_view, uint32_t> m_index;
    bool m_indexed = false;
};

} // namespace tabrix::engine
