#pragma once

#include "engine/xls/BiffRecords.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tabrix::engine::xls {

static_assert(std::endian::native == std::endian::little, "records are copied byte for byte from native integers");

/// Record numbers only the writer needs (the reader's list in BiffRecords.h has the rest).
namespace wrec {
inline constexpr uint16_t CalcCount = 0x000C;
inline constexpr uint16_t CalcMode = 0x000D;
inline constexpr uint16_t Precision = 0x000E;
inline constexpr uint16_t RefMode = 0x000F;
inline constexpr uint16_t Delta = 0x0010;
inline constexpr uint16_t Iteration = 0x0011;
inline constexpr uint16_t Password = 0x0013;
inline constexpr uint16_t Header = 0x0014;
inline constexpr uint16_t Footer = 0x0015;
inline constexpr uint16_t WindowProtect = 0x0019;
inline constexpr uint16_t PrintHeaders = 0x002A;
inline constexpr uint16_t PrintGridlines = 0x002B;
inline constexpr uint16_t Backup = 0x0040;
inline constexpr uint16_t SaveRecalc = 0x005F;
inline constexpr uint16_t Guts = 0x0080;
inline constexpr uint16_t GridSet = 0x0082;
inline constexpr uint16_t HCenter = 0x0083;
inline constexpr uint16_t VCenter = 0x0084;
inline constexpr uint16_t Country = 0x008C;
inline constexpr uint16_t HideObj = 0x008D;
inline constexpr uint16_t FnGroupCount = 0x009C;
inline constexpr uint16_t Setup = 0x00A1;
inline constexpr uint16_t Mms = 0x00C1;
inline constexpr uint16_t DbCell = 0x00D7;
inline constexpr uint16_t BookBool = 0x00DA;
inline constexpr uint16_t InterfaceHdr = 0x00E1;
inline constexpr uint16_t InterfaceEnd = 0x00E2;
inline constexpr uint16_t WriteAccess = 0x005C;
inline constexpr uint16_t RrTabId = 0x013D;
inline constexpr uint16_t Prot4Rev = 0x01AF;
inline constexpr uint16_t RefreshAll = 0x01B7;
inline constexpr uint16_t UsesElfs = 0x0160;
inline constexpr uint16_t Dsf = 0x0161;
inline constexpr uint16_t Prot4RevPass = 0x01BC;
inline constexpr uint16_t Index = 0x020B;
inline constexpr uint16_t Style = 0x0293;
} // namespace wrec

/// A growing byte stream of BIFF8 records. Fixed-size records are appended whole; records whose length is known
/// only at the end are opened with begin() and closed with end(), which fills in the length.
class Biff8WriteBuffer {
public:
    std::string& bytes() { return m_data; }
    const std::string& bytes() const { return m_data; }
    size_t size() const { return m_data.size(); }
    void reserve(size_t n) { m_data.reserve(n); }

    /// Appends n bytes and returns where they start, for the caller to fill with put16/put32.
    char* grow(size_t n) {
        size_t old = m_data.size();
        m_data.resize(old + n);
        return m_data.data() + old;
    }
    void u8(uint8_t v) { m_data.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) { put16(grow(2), v); }
    void u32(uint32_t v) { put32(grow(4), v); }
    void f64(double v) { std::memcpy(grow(8), &v, 8); }
    void append(std::string_view data) { m_data.append(data); }
    void zeros(size_t n) { m_data.append(n, '\0'); }

    /// Writes a record header with a length to be filled in by end(); returns the header's position.
    size_t begin(uint16_t id) {
        size_t pos = m_data.size();
        char* p = grow(4);
        put16(p, id);
        return pos;
    }
    /// Closes a record opened by begin(). The body must fit the format's record limit.
    void end(size_t headerPos);

    /// A whole record with a body of n bytes; returns where the body starts.
    char* record(uint16_t id, uint16_t n) {
        char* p = grow(4u + n);
        put16(p, id);
        put16(p + 2, n);
        return p + 4;
    }
    void emptyRecord(uint16_t id) { record(id, 0); }
    void record16(uint16_t id, uint16_t value) { put16(record(id, 2), value); }

    void patch16(size_t pos, uint16_t v) { put16(m_data.data() + pos, v); }
    void patch32(size_t pos, uint32_t v) { put32(m_data.data() + pos, v); }

    static void put16(char* p, uint16_t v) { std::memcpy(p, &v, 2); }
    static void put32(char* p, uint32_t v) { std::memcpy(p, &v, 4); }
    static void putF64(char* p, double v) { std::memcpy(p, &v, 8); }

private:
    std::string m_data;
};

} // namespace tabrix::engine::xls
