#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tabrix::engine::zipfile {

struct PreparedEntry;

/// Writes a plain zip file (no ZIP64: every entry and the whole file stay under 4 GiB, which is also what the
/// spreadsheet application reads without trouble). Entries are added already compressed or deflated on the way.
/// Throws EngineError naming the file.
class ZipWriter {
public:
    explicit ZipWriter(const std::string& path);
    /// Writes into a stream already open for writing (a memory stream), which finish() closes; name is what
    /// messages call it.
    ZipWriter(std::FILE* file, const std::string& name);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    /// An entry whose data is already in its final (compressed) form, as copied from another zip.
    void addRaw(const std::string& name, uint16_t method, uint32_t crc, uint64_t size, const std::string& data);
    /// An entry deflated from what read() yields (see prepareEntry).
    void addDeflated(const std::string& name, const std::function<size_t(char*, size_t)>& read, int level);
    /// The same for an entry whose start was read (and perhaps deflated) already, e.g. on another thread.
    void addPrepared(const std::string& name, PreparedEntry& entry, const std::function<size_t(char*, size_t)>& read,
                     int level);
    /// Writes the central directory and closes the file.
    void finish();

private:
    struct Entry {
        std::string name;
        uint16_t method;
        uint32_t crc;
        uint32_t compressedSize;
        uint32_t size;
        uint32_t offset;
    };
    std::FILE* m_file;
    std::string m_path;
    std::vector<Entry> m_entries;
    uint64_t m_offset = 0;
    void put(const void* data, size_t size);
    void localHeader(const Entry& e);
    static void entryFields(std::string& out, const Entry& e);
    uint32_t checked(uint64_t value) const;
    [[noreturn]] void fail(const std::string& what) const;
};

} // namespace tabrix::engine::zipfile
