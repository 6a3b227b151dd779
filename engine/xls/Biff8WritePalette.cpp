#include "engine/xls/Biff8WritePalette.h"

#include <algorithm>
#include <limits>

namespace tabrix::engine::xls {

namespace {

constexpr std::array<uint32_t, Biff8WritePalette::kCount> kDefault{
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, // 8-15
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, // 16-23
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, // 24-31
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, // 32-39
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, // 40-47
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, // 48-55
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333, // 56-63
};

uint32_t rgb(Argb color) {
    return color & 0xFFFFFF;
}

// Distance that weighs the channels roughly as the eye does ("redmean"), so a replacement looks close.
int64_t distance(uint32_t a, uint32_t b) {
    int64_t r1 = a >> 16 & 0xFF, g1 = a >> 8 & 0xFF, b1 = a & 0xFF;
    int64_t r2 = b >> 16 & 0xFF, g2 = b >> 8 & 0xFF, b2 = b & 0xFF;
    int64_t rm = (r1 + r2) / 2, dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
    return ((512 + rm) * dr * dr >> 8) + 4 * dg * dg + ((767 - rm) * db * db >> 8);
}

// Entries to give away first: repeats of a colour the palette already has elsewhere, then from the end, where
// the least common default colours are.
std::vector<int> replacementOrder() {
    std::vector<int> order;
    for (int i = 0; i < Biff8WritePalette::kCount; ++i)
        if (std::find(kDefault.begin(), kDefault.begin() + i, kDefault[size_t(i)]) != kDefault.begin() + i)
            order.push_back(i);
    for (int i = Biff8WritePalette::kCount - 1; i >= 0; --i)
        if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
    return order;
}

} // namespace

const std::array<uint32_t, Biff8WritePalette::kCount>& Biff8WritePalette::defaultColors() {
    return kDefault;
}

Biff8WritePalette::Biff8WritePalette() : m_colors(kDefault) {}

void Biff8WritePalette::note(Argb color, uint32_t uses) {
    if (color == 0) return;
    auto [it, added] = m_uses.try_emplace(rgb(color), 0);
    if (added) m_order.push_back(rgb(color));
    it->second += uses;
}

void Biff8WritePalette::resolve(std::vector<std::string>& warnings) {
    std::array<bool, kCount> taken{};
    std::vector<uint32_t> missing;
    for (uint32_t c : m_order) {
        auto at = std::find(kDefault.begin(), kDefault.end(), c);
        if (at == kDefault.end()) {
            missing.push_back(c);
            continue;
        }
        taken[size_t(at - kDefault.begin())] = true;
        m_index[c] = static_cast<uint16_t>(kFirst + (at - kDefault.begin()));
    }
    std::stable_sort(missing.begin(), missing.end(), [&](uint32_t a, uint32_t b) { return m_uses[a] > m_uses[b]; });
    size_t next = 0;
    std::vector<uint32_t> unplaced;
    for (int slot : replacementOrder()) {
        if (next == missing.size()) break;
        if (taken[size_t(slot)]) continue;
        m_colors[size_t(slot)] = missing[next];
        m_index[missing[next++]] = static_cast<uint16_t>(kFirst + slot);
    }
    for (; next < missing.size(); ++next) {
        int best = 0;
        int64_t bestDistance = std::numeric_limits<int64_t>::max();
        for (int i = 0; i < kCount; ++i)
            if (int64_t d = distance(missing[next], m_colors[size_t(i)]); d < bestDistance) bestDistance = d, best = i;
        m_index[missing[next]] = static_cast<uint16_t>(kFirst + best);
        unplaced.push_back(missing[next]);
    }
    if (!unplaced.empty())
        warnings.push_back("工作簿用到 " + std::to_string(m_order.size()) +
                           " 种颜色，超出 2003 格式调色板的 56 种，其中 " + std::to_string(unplaced.size()) +
                           " 种较少用的颜色已改用最接近的颜色");
}

uint16_t Biff8WritePalette::index(Argb color) const {
    auto it = m_index.find(rgb(color));
    return it == m_index.end() ? 8 : it->second;
}

void Biff8WritePalette::write(Biff8WriteBuffer& out) const {
    if (!changed()) return;
    char* p = out.record(rec::Palette, 2 + 4 * kCount);
    Biff8WriteBuffer::put16(p, kCount);
    p += 2;
    for (uint32_t c : m_colors) {
        p[0] = static_cast<char>(c >> 16 & 0xFF);
        p[1] = static_cast<char>(c >> 8 & 0xFF);
        p[2] = static_cast<char>(c & 0xFF);
        p[3] = 0;
        p += 4;
    }
}

} // namespace tabrix::engine::xls
