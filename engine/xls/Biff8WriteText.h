#pragma once

#include "engine/xls/Biff8WriteBuffer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tabrix::engine::xls {

/// The longest text a cell can hold in the 2003 format, in UTF-16 code units.
inline constexpr uint32_t kMaxCellTextUnits = 32767;

/// Appends the characters of UTF-8 text as BIFF8 stores them: one byte each ("compressed") when every character is
/// below U+0100, else UTF-16LE with characters beyond the BMP as surrogate pairs. Malformed UTF-8 becomes U+FFFD.
/// Returns the number of UTF-16 code units, which is what the format counts and limits; wide tells the form.
uint32_t appendBiff8Chars(std::string_view utf8, std::string& out, bool& wide);

/// ShortXLUnicodeString (1-byte count: font names, sheet names) and XLUnicodeString (2-byte count: number formats),
/// for text that fits its record. Text longer than maxUnits is cut there, never inside a surrogate pair.
void writeShortString(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits = 255);
void writeLongString(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits);
/// The option byte and characters without a count (the name of a NAME record); returns the count.
uint32_t writeStringNoCount(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits);

/// Writes one logical record that may run on into CONTINUE records (SST, STRING). Text characters may continue in
/// the next record, which then starts with a fresh option byte; everything else must be kept whole by the caller
/// with keepTogether().
class Biff8ContinuedWriter {
public:
    Biff8ContinuedWriter(Biff8WriteBuffer& out, uint16_t id) : m_out(out), m_recordStart(out.begin(id)) {}

    Biff8WriteBuffer& out() { return m_out; }
    size_t recordStart() const { return m_recordStart; }
    size_t room() const { return kMaxRecordLength - (m_out.size() - m_recordStart - 4); }
    /// Starts a CONTINUE record unless n more bytes fit in the current one.
    void keepTogether(size_t n) {
        if (room() < n) nextRecord();
    }
    /// Characters as appendBiff8Chars made them.
    void putChars(const char* chars, uint32_t units, bool wide);
    void finish() { m_out.end(m_recordStart); }

private:
    void nextRecord();
    Biff8WriteBuffer& m_out;
    size_t m_recordStart;
};

} // namespace tabrix::engine::xls
