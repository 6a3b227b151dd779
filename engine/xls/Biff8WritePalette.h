#pragma once

#include "engine/model/Style.h"
#include "engine/xls/Biff8WriteBuffer.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::xls {

/// The 56 colours (indices 8 to 63) every colour in a 2003-format file refers to. Colours the default palette
/// lacks take over entries no used colour needs; beyond 56 distinct colours the rarer ones get the nearest entry.
class Biff8WritePalette {
public:
    static constexpr int kFirst = 8;
    static constexpr int kCount = 56;

    Biff8WritePalette();

    /// Counts uses of a colour; automatic (0) is not a palette colour.
    void note(Argb color, uint32_t uses = 1);
    /// Fixes the palette once every colour is noted. Adds a warning when some colour had to change.
    void resolve(std::vector<std::string>& warnings);

    /// Palette index (8..63) of a noted colour, after resolve().
    uint16_t index(Argb color) const;
    bool changed() const { return m_colors != defaultColors(); }
    /// The PALETTE record; nothing when the default palette serves.
    void write(Biff8WriteBuffer& out) const;

    static const std::array<uint32_t, kCount>& defaultColors();

private:
    std::array<uint32_t, kCount> m_colors;          ///< 0xRRGGBB per entry
    std::unordered_map<uint32_t, uint64_t> m_uses;  ///< 0xRRGGBB → how many cells, rows and columns
    std::vector<uint32_t> m_order;                  ///< colours in first-noted order, for a stable result
    std::unordered_map<uint32_t, uint16_t> m_index; ///< 0xRRGGBB → palette index
};

} // namespace tabrix::engine::xls
