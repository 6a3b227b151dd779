#include "engine/zip/ZipWriter.h"

#include "engine/model/SaveMessages.h"

#include "engine/EngineError.h"
#include "engine/zip/ParallelDeflate.h"

#include <cerrno>
#include <cstring>

namespace tabrix::engine::zipfile {

namespace {
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1; // 1980-01-01, as other producers of these packages write
constexpr uint16_t kUtf8Names = 1 << 11;

void le16(std::string& out, uint16_t v) {
    out.append({char(v & 0xFF), char(v >> 8)});
}
void le32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}
} // namespace

ZipWriter::ZipWriter(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")), m_path(path) {
    if (!m_file) fail("无法创建文件（" + describeErrno(errno) + "）");
}

ZipWriter::ZipWriter(std::FILE* file, const std::string& name) : m_file(file), m_path(name) {
    if (!m_file) fail("内存不足");
}

ZipWriter::~ZipWriter() {
    if (m_file) std::fclose(m_file);
}

void ZipWriter::fail(const std::string& what) const {
    throw EngineError(m_path + ": 保存失败，" + what);
}

uint32_t ZipWriter::checked(uint64_t value) const {
    if (value >= 0xFFFFFFFFu) fail("文件超过 4 GB，无法保存");
    return static_cast<uint32_t>(value);
}

void ZipWriter::put(const void* data, size_t size) {
    if (size && std::fwrite(data, 1, size, m_file) != size)
        fail("写入失败（" + describeErrno(errno) + "）");
    m_offset += size;
}

// The fields a local header and its central directory entry share, from the flags to the name's length.
void ZipWriter::entryFields(std::string& out, const Entry& e) {
    le16(out, kUtf8Names);
    le16(out, e.method);
    le16(out, 0);
    le16(out, kDosDate);
    le32(out, e.crc);
    le32(out, e.compressedSize);
    le32(out, e.size);
    le16(out, static_cast<uint16_t>(e.name.size()));
}

void ZipWriter::localHeader(const Entry& e) {
    std::string h;
    le32(h, 0x04034b50);
    le16(h, 20);
    entryFields(h, e);
    le16(h, 0);
    h += e.name;
    put(h.data(), h.size());
}

void ZipWriter::addRaw(const std::string& name, uint16_t method, uint32_t crc, uint64_t size, const std::string& data) {
    Entry e{name, method, crc, checked(data.size()), checked(size), checked(m_offset)};
    localHeader(e);
    put(data.data(), data.size());
    m_entries.push_back(std::move(e));
}

void ZipWriter::addDeflated(const std::string& name, const std::function<size_t(char*, size_t)>& read, int level) {
    PreparedEntry entry = prepareEntry(read, level);
    addPrepared(name, entry, read, level);
}

void ZipWriter::addPrepared(const std::string& name, PreparedEntry& entry,
                            const std::function<size_t(char*, size_t)>& read, int level) {
    if (entry.whole) {
        addRaw(name, 8, entry.result.crc, entry.result.size, entry.data);
        return;
    }
    Entry e{name, 8, 0, 0, 0, checked(m_offset)};
    localHeader(e); // sizes and checksum are known only at the end: the header is written again then
    DeflateResult r = finishEntry(
        entry, read, [&](std::string_view out) { put(out.data(), out.size()); }, level);
    e.crc = r.crc;
    e.compressedSize = checked(r.compressedSize);
    e.size = checked(r.size);
    const uint64_t end = m_offset;
    if (std::fseek(m_file, long(e.offset), SEEK_SET) != 0) fail("无法回写文件头");
    m_offset = e.offset;
    localHeader(e);
    if (std::fseek(m_file, long(end), SEEK_SET) != 0) fail("无法回写文件头");
    m_offset = end;
    m_entries.push_back(std::move(e));
}

void ZipWriter::finish() {
    const uint32_t start = checked(m_offset);
    std::string dir;
    for (const Entry& e : m_entries) {
        le32(dir, 0x02014b50);
        le16(dir, 20);
        le16(dir, 20);
        entryFields(dir, e);
        le16(dir, 0);
        le16(dir, 0);
        le16(dir, 0);
        le16(dir, 0);
        le32(dir, 0);
        le32(dir, e.offset);
        dir += e.name;
    }
    if (m_entries.size() >= 0xFFFF) fail("文件中的部件太多");
    const uint32_t dirSize = checked(dir.size());
    le32(dir, 0x06054b50);
    le16(dir, 0);
    le16(dir, 0);
    le16(dir, static_cast<uint16_t>(m_entries.size()));
    le16(dir, static_cast<uint16_t>(m_entries.size()));
    le32(dir, dirSize);
    le32(dir, start);
    le16(dir, 0);
    put(dir.data(), dir.size());
    std::FILE* f = m_file;
    m_file = nullptr;
    if (std::fclose(f) != 0) fail("关闭文件时出错（" + describeErrno(errno) + "）");
}

} // namespace tabrix::engine::zipfile
