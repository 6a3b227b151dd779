#pragma once

#include "engine/xls/Biff8WriteBuffer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// The shared string table: each text of the workbook's string pool that a cell uses, stored once, in first-use
/// order. Texts are encoded when first added, so writing the table is a copy.
class Biff8WriteSst {
public:
    explicit Biff8WriteSst(uint32_t poolSize) : m_slot(poolSize, 0) {}

    /// Table index for a pool text, adding it on first use; nullopt when the text is longer than a cell may hold.
    std::optional<uint32_t> add(uint32_t poolId, const std::string& text);

    uint32_t uniqueCount() const { return static_cast<uint32_t>(m_entries.size()); }

    /// SST (with CONTINUE records) and EXTSST. The buffer must start where the workbook stream starts, because
    /// EXTSST holds stream positions.
    void write(Biff8WriteBuffer& out) const;

private:
    struct Entry {
        size_t offset;
        uint32_t units;
        bool wide;
    };
    std::vector<uint32_t> m_slot; ///< per pool id: 1 + table index, 0 = not used yet
    std::vector<Entry> m_entries;
    std::string m_chars;
    uint32_t m_references = 0;
};

} // namespace tabrix::engine::xls
