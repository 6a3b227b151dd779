#pragma once

#include "engine/model/CellValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::analysis {

/// The rows of a key column by their keys as a lenient match sees them: the text a whole-cell find compares
/// (numbers as they are shown in the formula bar, letter case ignored), without the white space around it and
/// with full-width letters, digits and signs taken as their ASCII forms. Built once for the searched column of
/// a comparison or a clear, and only read afterwards, so it may be read from several threads.
class LenientKeys {
public:
    LenientKeys(engine::Worksheet& sheet, uint32_t column, uint32_t rows);

    /// The rows whose key matches the value, in ascending order, one after another from `first`: 0 ends them.
    uint32_t first(const engine::Variant& value) const;
    uint32_t next(uint32_t row) const { return m_next[row]; }

private:
    // An open-addressed table of the keys, each with its first row, the keys' texts back to back: a lookup
    // mostly touches one slot. Most keys stand on one row; the further rows of a key are chained in m_next.
    struct Slot {
        uint64_t hash = 0;
        size_t at = 0;       ///< where the key's text starts in m_texts
        uint32_t length = 0;
        uint32_t row = 0;    ///< the key's first row; 0 marks a free slot
    };
    std::string m_texts;
    std::vector<Slot> m_table; ///< a power of two long, at most half full
    std::vector<uint32_t> m_next;

    Slot& slotFor(std::string_view key, uint64_t hash);
    const Slot& slotFor(std::string_view key, uint64_t hash) const;
};

/// The key text of a value for a lenient match (see above); "" for an empty cell and for blank text alike.
std::string lenientKey(const engine::Variant& value);

/// Two values compared as the row comparisons compare them, after the text of each has been made lenient
/// (white space around it dropped, full-width ASCII forms taken as their half-width ones). Case still counts.
bool lenientValuesEqual(const engine::Variant& a, const engine::Variant& b);

} // namespace tabrix::analysis
