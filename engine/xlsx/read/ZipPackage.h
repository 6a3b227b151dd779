#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace tabrix::engine::xlsx {

/// The zip container of an OOXML package, read only. Part names are matched as OPC says: without a leading
/// "/", case-insensitively (some producers also write "\" for "/"). Every inflated part is bounded: its declared
/// size must be plausible for its compressed size and below a hard limit, and inflating past the declared
/// size is an error, so a forged header cannot make the reader allocate or spin without end.
class ZipPackage {
public:
    /// Checks the file's first bytes before handing it to the zip library, so a text file, an empty file or
    /// a 2003-format/encrypted workbook gets a message that says what it is. Throws EngineError.
    static std::unique_ptr<ZipPackage> openFile(const std::string& path);
    /// The same over bytes in memory; name stands for the file in messages.
    static std::unique_ptr<ZipPackage> openMemory(std::string data, const std::string& name);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    const std::string& name() const { return m_name; }
    bool has(std::string_view part) const { return m_index.count(normalize(part)) != 0; }
    /// Part names as stored in the package (normalised: no leading "/", "/" as separator).
    std::vector<std::string> partNames() const;
    /// The whole part; for small parts only (opaque parts kept as bytes).
    std::string read(std::string_view part, uint64_t limit = uint64_t(256) << 20);
    /// Hands the inflated part to sink in chunks. Ordinary parts inflate in one go; very large ones inflate on a
    /// second thread so inflating and parsing overlap with bounded memory. The sink always runs on the calling
    /// thread. Exceptions from sink propagate.
    void stream(std::string_view part, const std::function<void(std::string_view)>& sink);

    static std::string normalize(std::string_view part);

private:
    ZipPackage(zip* archive, std::string name, std::unique_ptr<std::string> buffer);
    struct Located {
        uint64_t index;
        uint64_t size;
        std::string name; ///< as stored, for messages
        uint64_t packed = 0;
        uint32_t crc = 0;
        bool plainDeflate = false; ///< deflated, not encrypted, sizes and CRC known
    };
    Located locate(std::string_view part) const;
    void streamHere(uint64_t index, uint64_t size, const std::string& part,
                    const std::function<void(std::string_view)>& sink);
    void inflateWhole(const Located& found, const std::function<void(std::string_view)>& sink);
    void streamThreaded(uint64_t index, uint64_t size, const std::string& part,
                        const std::function<void(std::string_view)>& sink);
    [[noreturn]] void fail(const std::string& part, const std::string& what) const;

    zip* m_zip;
    std::string m_name;
    std::unique_ptr<std::string> m_buffer; ///< the package bytes when opened from memory
    std::unordered_map<std::string, uint64_t> m_index;
};

} // namespace tabrix::engine::xlsx
