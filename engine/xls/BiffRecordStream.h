#pragma once

#include "engine/xls/BiffText.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// One record with the CONTINUE records that follow it joined on.
struct BiffRecord {
    uint16_t id = 0;
    size_t offset = 0;                ///< stream offset of the record header
    std::span<const uint8_t> data;    ///< body, then the body of each CONTINUE record
    std::span<const uint32_t> breaks; ///< where in data each CONTINUE body starts
    const std::string* where = nullptr;
};

/// Walks the records of a workbook stream from a given offset. Every record is checked against the stream's end
/// and the format's length limit; a record cut off by the end of the stream is an EngineError that names it.
class BiffRecordStream {
public:
    /// where names the file and stream in messages ("book.xls: Workbook 流").
    BiffRecordStream(std::span<const uint8_t> stream, size_t start, const std::string& where);

    /// The next record; false when the stream ends (fewer than 4 bytes left). The record's spans stay valid
    /// until the next call.
    bool next(BiffRecord& out);
    size_t position() const { return m_pos; }
    const std::string& where() const { return m_where; }

private:
    std::span<const uint8_t> m_stream;
    size_t m_pos;
    const std::string& m_where;
    std::vector<uint8_t> m_joined;
    std::vector<uint32_t> m_breaks;
};

/// Reads the fields of one record in order. Each read checks the length first and throws an EngineError naming
/// the record, its offset and what was missing.
class RecordReader {
public:
    RecordReader(const BiffRecord& record, int biffVersion, const CodePage* codePage = nullptr);

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    double f64();
    std::span<const uint8_t> bytes(size_t n);
    void skip(size_t n);
    size_t remaining() const { return m_data.size() - m_pos; }
    size_t position() const { return m_pos; }
    void seek(size_t pos);

    /// BIFF8: a Unicode string with a 1- or 2-byte character count (XLUnicodeString and its rich and phonetic
    /// forms, whose formatting runs and phonetic data are skipped). BIFF5: an 8-bit string in the file's code
    /// page with a 1- or 2-byte byte count.
    /// rich, when given, is set when the string has formatting runs of its own.
    std::string string(int countBytes, bool* rich = nullptr);
    /// A string whose character count was read already (BIFF8: the flags byte comes next).
    std::string stringOfLength(size_t count, bool* rich = nullptr);

    [[noreturn]] void fail(const std::string& what) const;

private:
    std::string unicodeChars(size_t count, bool wide);
    size_t nextBreak() const;

    const BiffRecord& m_record;
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
    int m_biff;
    const CodePage* m_codePage;
};

} // namespace tabrix::engine::xls
