#include "engine/xls/Biff8WriteSst.h"

#include "engine/xls/Biff8WriteText.h"

#include <algorithm>

namespace tabrix::engine::xls {

std::optional<uint32_t> Biff8WriteSst::add(uint32_t poolId, const std::string& text) {
    if (poolId >= m_slot.size()) m_slot.resize(size_t(poolId) + 1, 0);
    uint32_t& slot = m_slot[poolId];
    if (slot == 0) {
        Entry e{m_chars.size(), 0, false};
        e.units = appendBiff8Chars(text, m_chars, e.wide);
        if (e.units > kMaxCellTextUnits) {
            m_chars.resize(e.offset);
            return std::nullopt;
        }
        m_entries.push_back(e);
        slot = static_cast<uint32_t>(m_entries.size());
    }
    ++m_references;
    return slot - 1;
}

void Biff8WriteSst::write(Biff8WriteBuffer& out) const {
    struct Bucket {
        uint32_t position;
        uint16_t offsetInRecord;
    };
    const auto unique = uniqueCount();
    // Strings per EXTSST bucket, as the format fixes it: at most 128 buckets, at least 8 strings each.
    const uint32_t perBucket = std::max<uint32_t>(unique / 128 + 1, 8);
    std::vector<Bucket> buckets;
    buckets.reserve(unique / perBucket + 1);

    Biff8ContinuedWriter w(out, rec::Sst);
    out.u32(m_references);
    out.u32(unique);
    for (uint32_t i = 0; i < unique; ++i) {
        const Entry& e = m_entries[i];
        // The count and option byte may not be split, and a string should not start with no room for a character.
        w.keepTogether(3 + (e.units > 0 ? (e.wide ? 2 : 1) : 0));
        if (i % perBucket == 0)
            buckets.push_back({static_cast<uint32_t>(out.size()), static_cast<uint16_t>(out.size() - w.recordStart())});
        out.u16(static_cast<uint16_t>(e.units));
        out.u8(e.wide ? 1 : 0);
        w.putChars(m_chars.data() + e.offset, e.units, e.wide);
    }
    w.finish();

    char* p = out.record(rec::ExtSst, static_cast<uint16_t>(2 + 8 * buckets.size()));
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(perBucket));
    p += 2;
    for (const Bucket& b : buckets) {
        Biff8WriteBuffer::put32(p, b.position);
        Biff8WriteBuffer::put16(p + 4, b.offsetInRecord);
        Biff8WriteBuffer::put16(p + 6, 0);
        p += 8;
    }
}

} // namespace tabrix::engine::xls
