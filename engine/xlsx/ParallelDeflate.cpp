#include "engine/xlsx/ParallelDeflate.h"

#include "engine/EngineError.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <string>
#include <zlib.h>

namespace tabrix::engine::xlsx {

namespace {
// Small enough that a sheet of a few thousand rows already keeps both cores busy; large enough that starting
// each stream afresh costs nothing measurable in file size.
constexpr size_t kBlock = 512u << 10;
// Entries up to this size are deflated in one call to libdeflate, about twice as fast as zlib at the same level
// and a little smaller. Larger ones go block by block through zlib on two threads, which then ends sooner:
// libdeflate always marks the end of what it compresses as the end of the stream, so its pieces cannot be joined.
constexpr size_t kWholeUpTo = 4u << 20;

struct Block {
    std::string input;
    std::string output;
    uint32_t crc = 0;
};

// A deflate state kept between blocks and entries: setting one up costs a quarter megabyte of fresh memory,
// which for the many small parts of a folder of workbooks costs more than compressing them.
class Deflater {
public:
    ~Deflater() {
        if (m_level >= 0) deflateEnd(&m_z);
    }
    z_stream& ready(int level) {
        if (m_level == level) {
            deflateReset(&m_z);
            return m_z;
        }
        if (m_level >= 0) deflateEnd(&m_z);
        m_z = z_stream{};
        m_level = -1;
        if (deflateInit2(&m_z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw EngineError("无法初始化压缩（内存不足）");
        m_level = level;
        return m_z;
    }

private:
    z_stream m_z{};
    int m_level = -1;
};

// One independent raw deflate stream; all but the last end with a sync flush so the next can follow directly.
void compress(Block& block, Deflater& deflater, int level, bool last) {
    z_stream& z = deflater.ready(level);
    block.output.resize(deflateBound(&z, block.input.size()) + 16);
    z.next_in = reinterpret_cast<Bytef*>(block.input.data());
    z.avail_in = static_cast<uInt>(block.input.size());
    z.next_out = reinterpret_cast<Bytef*>(block.output.data());
    z.avail_out = static_cast<uInt>(block.output.size());
    const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool ok = last ? rc == Z_STREAM_END : rc == Z_OK && z.avail_in == 0;
    block.output.resize(z.total_out);
    if (!ok) throw EngineError("压缩数据时出错");
    block.crc = libdeflate_crc32(0, block.input.data(), block.input.size());
}

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// The whole entry as one stream. The compressor is kept per thread for the next entry (setting one up costs
// more than compressing a small part).
void compressWhole(Block& block, int level) {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> compressor;
    thread_local int compressorLevel = -1;
    if (!compressor || compressorLevel != level) {
        compressor.reset(libdeflate_alloc_compressor(level));
        compressorLevel = compressor ? level : -1;
        if (!compressor) throw EngineError("无法初始化压缩（内存不足）");
    }
    block.output.resize(libdeflate_deflate_compress_bound(compressor.get(), block.input.size()));
    const size_t written = libdeflate_deflate_compress(compressor.get(), block.input.data(), block.input.size(),
                                                       block.output.data(), block.output.size());
    if (written == 0) throw EngineError("压缩数据时出错");
    block.output.resize(written);
    block.crc = libdeflate_crc32(0, block.input.data(), block.input.size());
}

// The two lanes' states, shared by every call; a call that finds them busy (another thread saving at the same
// time) uses states of its own.
struct Lanes {
    Deflater a, b;
};
std::mutex g_lanesMutex;
Lanes g_lanes;

// Grows the buffer as data arrives instead of sizing it to the limit up front: most parts are a few kilobytes,
// and zero-filling megabytes for each of them costs more than compressing them.
size_t fill(Block& block, const std::function<size_t(char*, size_t)>& read, size_t limit = kBlock) {
    size_t size = std::min<size_t>(64u << 10, limit), got = 0;
    block.input.resize(size);
    for (;;) {
        if (got == size) {
            if (size == limit) break;
            size = std::min(size * 2, limit);
            block.input.resize(size);
        }
        const size_t n = read(block.input.data() + got, size - got);
        if (n == 0) break;
        got += n;
    }
    block.input.resize(got);
    return got;
}
} // namespace

PreparedEntry prepareEntry(const std::function<size_t(char*, size_t)>& read, int level) {
    PreparedEntry entry;
    Block whole;
    if (fill(whole, read, kWholeUpTo + 1) <= kWholeUpTo) {
        compressWhole(whole, level);
        entry.whole = true;
        entry.result = {whole.crc, whole.input.size(), whole.output.size()};
        entry.data = std::move(whole.output);
    } else {
        entry.data = std::move(whole.input);
    }
    return entry;
}

DeflateResult deflateBlocks(const std::function<size_t(char*, size_t)>& source,
                            const std::function<void(std::string_view)>& write, int level) {
    PreparedEntry entry = prepareEntry(source, level);
    return finishEntry(entry, source, write, level);
}

DeflateResult finishEntry(PreparedEntry& entry, const std::function<size_t(char*, size_t)>& source,
                          const std::function<void(std::string_view)>& write, int level) {
    if (entry.whole) {
        write(entry.data);
        return entry.result;
    }
    DeflateResult result;
    const std::string& started = entry.data;
    // Too large for one piece: what was read already goes first, block by block.
    size_t served = 0;
    auto read = [&](char* buffer, size_t capacity) -> size_t {
        if (served == started.size()) return source(buffer, capacity);
        const size_t n = std::min(capacity, started.size() - served);
        std::memcpy(buffer, started.data() + served, n);
        served += n;
        return n;
    };
    std::unique_lock lock(g_lanesMutex, std::try_to_lock);
    std::unique_ptr<Lanes> own;
    if (!lock.owns_lock()) own = std::make_unique<Lanes>();
    Lanes& lanes = own ? *own : g_lanes;
    Block a, b;
    fill(a, read);
    for (;;) {
        // Reading one block ahead tells whether the current one is the last.
        const bool aLast = fill(b, read) == 0;
        if (aLast) {
            compress(a, lanes.a, level, true);
        } else {
            Block c;
            const bool bLast = fill(c, read) == 0;
            auto other = std::async(std::launch::async, [&] { compress(b, lanes.b, level, bLast); });
            compress(a, lanes.a, level, false);
            other.get();
            for (Block* done : {&a, &b}) {
                write(done->output);
                result.crc = static_cast<uint32_t>(crc32_combine(result.crc, done->crc, z_off_t(done->input.size())));
                result.size += done->input.size();
                result.compressedSize += done->output.size();
            }
            if (bLast) return result;
            a = std::move(c);
            continue;
        }
        write(a.output);
        result.crc = static_cast<uint32_t>(crc32_combine(result.crc, a.crc, z_off_t(a.input.size())));
        result.size += a.input.size();
        result.compressedSize += a.output.size();
        return result;
    }
}

} // namespace tabrix::engine::xlsx
