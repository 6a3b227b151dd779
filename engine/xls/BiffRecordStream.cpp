#include "engine/xls/BiffRecordStream.h"

#include "engine/EngineError.h"
#include "engine/xls/BiffRecords.h"

#include <algorithm>
#include <cstring>

namespace tabrix::engine::xls {

namespace {
uint16_t readU16(std::span<const uint8_t> s, size_t at) { return uint16_t(s[at] | s[at + 1] << 8); }

std::string recordAt(const std::string& where, uint16_t id, size_t offset) {
    return where + ": " + recordName(id) + "（第 " + std::to_string(offset) + " 字节处）";
}
} // namespace

BiffRecordStream::BiffRecordStream(std::span<const uint8_t> stream, size_t start, const std::string& where)
    : m_stream(stream), m_pos(start), m_where(where) {}

bool BiffRecordStream::next(BiffRecord& out) {
    auto fits = [&](size_t pos) { return m_stream.size() >= 4 && pos <= m_stream.size() - 4; };
    auto bodyLength = [&](size_t pos) {
        uint16_t id = readU16(m_stream, pos), len = readU16(m_stream, pos + 2);
        if (len > kMaxRecordLength)
            throw EngineError(recordAt(m_where, id, pos) + ": 长度 " + std::to_string(len) + " 超过了格式允许的 " +
                              std::to_string(kMaxRecordLength) + " 字节上限");
        if (len > m_stream.size() - pos - 4)
            throw EngineError(recordAt(m_where, id, pos) + ": 记录需要 " + std::to_string(len) + " 字节，但流在 " +
                              std::to_string(m_stream.size() - pos - 4) + " 字节后就结束了（文件不完整或已损坏）");
        return len;
    };
    auto isContinue = [&](size_t pos) { return fits(pos) && readU16(m_stream, pos) == rec::Continue; };

    if (!fits(m_pos)) return false;
    out.id = readU16(m_stream, m_pos);
    out.offset = m_pos;
    out.where = &m_where;
    size_t len = bodyLength(m_pos);
    size_t body = m_pos + 4;
    m_pos = body + len;
    if (!isContinue(m_pos)) {
        out.data = m_stream.subspan(body, len);
        out.breaks = {};
        return true;
    }
    m_joined.assign(m_stream.begin() + ptrdiff_t(body), m_stream.begin() + ptrdiff_t(body + len));
    m_breaks.clear();
    while (isContinue(m_pos)) {
        size_t more = bodyLength(m_pos);
        m_breaks.push_back(uint32_t(m_joined.size()));
        m_joined.insert(m_joined.end(), m_stream.begin() + ptrdiff_t(m_pos + 4),
                        m_stream.begin() + ptrdiff_t(m_pos + 4 + more));
        m_pos += 4 + more;
    }
    out.data = m_joined;
    out.breaks = m_breaks;
    return true;
}

RecordReader::RecordReader(const BiffRecord& record, int biffVersion, const CodePage* codePage)
    : m_record(record), m_data(record.data), m_biff(biffVersion), m_codePage(codePage) {}

void RecordReader::fail(const std::string& what) const {
    static const std::string unknown = "工作簿流";
    throw EngineError(recordAt(m_record.where ? *m_record.where : unknown, m_record.id, m_record.offset) + ": " +
                      what);
}

std::span<const uint8_t> RecordReader::bytes(size_t n) {
    if (n > remaining())
        fail("在记录的第 " + std::to_string(m_pos) + " 字节处（共 " + std::to_string(m_data.size()) + " 字节）还需要 " +
             std::to_string(n) + " 字节，实际只剩 " + std::to_string(remaining()) + " 字节");
    auto out = m_data.subspan(m_pos, n);
    m_pos += n;
    return out;
}

uint8_t RecordReader::u8() { return bytes(1)[0]; }

uint16_t RecordReader::u16() {
    auto b = bytes(2);
    return uint16_t(b[0] | b[1] << 8);
}

uint32_t RecordReader::u32() {
    auto b = bytes(4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

double RecordReader::f64() {
    auto b = bytes(8);
    double v;
    std::memcpy(&v, b.data(), 8); // the format is little-endian, as is every platform we build for
    return v;
}

void RecordReader::skip(size_t n) { bytes(n); }

void RecordReader::seek(size_t pos) {
    if (pos > m_data.size()) fail("偏移 " + std::to_string(pos) + " 超出了记录末尾");
    m_pos = pos;
}

std::string RecordReader::string(int countBytes, bool* rich) {
    size_t count = countBytes == 1 ? u8() : u16();
    return stringOfLength(count, rich);
}

std::string RecordReader::stringOfLength(size_t count, bool* rich) {
    if (m_biff < 8) {
        auto raw = bytes(count);
        return m_codePage ? m_codePage->toUtf8(raw) : std::string(raw.begin(), raw.end());
    }
    uint8_t flags = u8();
    size_t runs = (flags & 0x08) ? u16() : 0;
    size_t phonetic = (flags & 0x04) ? u32() : 0;
    if (rich) *rich = runs > 0;
    std::string text = unicodeChars(count, flags & 0x01);
    if (runs * 4 > remaining()) fail("字符串的格式段超出了记录末尾");
    skip(runs * 4);
    if (phonetic > remaining()) fail("字符串的注音数据超出了记录末尾");
    skip(phonetic);
    return text;
}

size_t RecordReader::nextBreak() const {
    auto it = std::lower_bound(m_record.breaks.begin(), m_record.breaks.end(), m_pos);
    return it == m_record.breaks.end() ? m_data.size() : *it;
}

// A string's characters may run on into a CONTINUE record, which then starts with a flags byte of its own
// saying whether the rest is stored 8 or 16 bits wide.
std::string RecordReader::unicodeChars(size_t count, bool wide) {
    std::string out;
    size_t left = count;
    while (true) {
        size_t limit = nextBreak();
        size_t unit = wide ? 2 : 1;
        size_t take = std::min(left, (limit - m_pos) / unit);
        auto chunk = m_data.subspan(m_pos, take * unit);
        wide ? appendUtf16(out, chunk) : appendLatin1(out, chunk);
        m_pos += take * unit;
        left -= take;
        if (left == 0) return out;
        if (limit == m_data.size() || m_pos != limit)
            fail("长 " + std::to_string(count) + " 个字符的字符串在第 " + std::to_string(count - left) +
                 " 个字符后中断");
        wide = u8() & 0x01;
    }
}

} // namespace tabrix::engine::xls
