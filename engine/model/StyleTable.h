#pragma once

#include "engine/model/Style.h"

#include <cstdint>
#include <deque>
#include <unordered_map>

namespace tabrix::engine {

/// The styles of one workbook, each stored once. Id 0 is the workbook's default style.
class StyleTable {
public:
    StyleTable();

    /// Adds a style as read from a file, without looking for an equal one (file order is kept).
    uint32_t append(const Style& style);
    /// Returns the id of an equal style, adding it when there is none.
    uint32_t intern(const Style& style);
    const Style& get(uint32_t id) const;
    uint32_t size() const { return static_cast<uint32_t>(m_styles.size()); }
    void setDefault(const Style& style);

private:
    struct Hash {
        size_t operator()(const Style* s) const { return hashStyle(*s); }
    };
    struct Equal {
        bool operator()(const Style* a, const Style* b) const { return *a == *b; }
    };
    std::deque<Style> m_styles;
    std::unordered_map<const Style*, uint32_t, Hash, Equal> m_index;
    bool m_indexed = false;
    void buildIndex();
};

} // namespace tabrix::engine
