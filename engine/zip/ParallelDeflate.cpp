#include "engine/zip/ParallelDeflate.h"

#include "engine/EngineError.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

namespace tabrix::engine::zipfile {

namespace {
// Small enough that a sheet of a few thousand rows already keeps every core busy; large enough that starting
// each piece afresh costs nothing measurable in file size.
constexpr size_t kBlock = 512u << 10;
// Entries up to this size are deflated in one piece, on whichever thread read them. Larger ones go block by block,
// several blocks at a time, so memory stays at a few blocks whatever the entry's size.
constexpr size_t kWholeUpTo = 4u << 20;

struct Block {
    std::string input;
    std::string output;
    uint32_t crc = 0;
};

// One deflate state with the work area of its level. ISA-L's level 1 deflates sheet XML four to five times as fast
// as zlib's level 1 and a little smaller; its level 3 stands in for the higher levels asked for small parts.
// A thread keeps its state for the next entry; the work area is not filled first, as the library sets up what
// it reads of it.
class Deflater {
public:
    Deflater() : m_stream(std::make_unique<isal_zstream>()) {}

    /// Deflates input as one piece of a raw stream: the stream's end when last, otherwise a full flush (byte
    /// aligned, nothing referring back), so another piece made independently can follow it directly.
    void compress(Block& block, int level, bool last) {
        const int isalLevel = level <= 0 ? 0 : level == 1 ? 1 : 3;
        const size_t workArea = isalLevel == 0 ? 0 : isalLevel == 1 ? ISAL_DEF_LVL1_DEFAULT : ISAL_DEF_LVL3_DEFAULT;
        if (m_workAreaSize < workArea) {
            m_workArea = std::make_unique_for_overwrite<uint8_t[]>(workArea);
            m_workAreaSize = workArea;
        }
        isal_zstream& s = *m_stream;
        isal_deflate_init(&s);
        s.level = static_cast<uint32_t>(isalLevel);
        s.level_buf = m_workArea.get();
        s.level_buf_size = static_cast<uint32_t>(m_workAreaSize);
        s.end_of_stream = last ? 1 : 0;
        s.flush = last ? NO_FLUSH : FULL_FLUSH;
        s.next_in = reinterpret_cast<uint8_t*>(block.input.data());
        s.avail_in = static_cast<uint32_t>(block.input.size());
        // Room for data that does not compress (stored blocks) with their headers, so one call does it all.
        block.output.resize(block.input.size() + block.input.size() / 8 + 4096);
        s.next_out = reinterpret_cast<uint8_t*>(block.output.data());
        s.avail_out = static_cast<uint32_t>(block.output.size());
        const int rc = isal_deflate(&s);
        const bool done = s.avail_in == 0 && s.avail_out > 0 &&
                          (last ? s.internal_state.state == ZSTATE_END : s.internal_state.state == ZSTATE_NEW_HDR);
        if (rc != COMP_OK || !done) throw EngineError("压缩数据时出错");
        block.output.resize(s.total_out);
        block.crc = crc32_gzip_refl(0, reinterpret_cast<const unsigned char*>(block.input.data()), block.input.size());
    }

private:
    std::unique_ptr<isal_zstream> m_stream;
    std::unique_ptr<uint8_t[]> m_workArea;
    size_t m_workAreaSize = 0;
};

// The whole entry as one stream, with this thread's state.
void compressWhole(Block& block, int level) {
    thread_local Deflater deflater;
    deflater.compress(block, level, true);
}

// The states of the lanes a large entry's blocks go through, shared by every call; a call that finds them busy
// (another thread saving at the same time) uses states of its own. Block n goes through lane n % lanes, and is
// started only once block n - lanes is done, so no two blocks ever share a state.
struct Lanes {
    explicit Lanes(size_t n) : deflaters(n) {}
    std::vector<Deflater> deflaters;
};
size_t laneCount() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 2, 8);
}
std::mutex g_lanesMutex;
Lanes g_lanes(laneCount());

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

std::function<size_t(char*, size_t)> readerOf(std::string_view data) {
    return [data, pos = size_t(0)](char* buffer, size_t capacity) mutable {
        const size_t n = std::min(capacity, data.size() - pos);
        std::memcpy(buffer, data.data() + pos, n);
        pos += n;
        return n;
    };
}

DeflateResult finishEntry(PreparedEntry& entry, const std::function<size_t(char*, size_t)>& source,
                          const std::function<void(std::string_view)>& write, int level) {
    if (entry.whole) {
        write(entry.data);
        return entry.result;
    }
    // Too large for one piece: what was read already goes first, block by block.
    const std::string& started = entry.data;
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
    if (!lock.owns_lock()) own = std::make_unique<Lanes>(laneCount());
    Lanes& lanes = own ? *own : g_lanes;
    const size_t laneTotal = lanes.deflaters.size();

    // This thread reads blocks (making the XML) while the lanes deflate the blocks before them; blocks are written
    // in order as they come back.
    DeflateResult result;
    std::deque<std::pair<std::unique_ptr<Block>, std::future<void>>> inFlight;
    auto writeOldest = [&] {
        auto& [block, done] = inFlight.front();
        done.get();
        write(block->output);
        result.crc = static_cast<uint32_t>(crc32_combine(result.crc, block->crc, z_off_t(block->input.size())));
        result.size += block->input.size();
        result.compressedSize += block->output.size();
        inFlight.pop_front();
    };
    auto next = std::make_unique<Block>();
    fill(*next, read);
    for (size_t n = 0;; ++n) {
        std::unique_ptr<Block> current = std::move(next);
        next = std::make_unique<Block>();
        // Reading one block ahead tells whether the current one is the last.
        const bool last = fill(*next, read) == 0;
        if (inFlight.size() == laneTotal) writeOldest();
        Deflater& lane = lanes.deflaters[n % laneTotal];
        Block* block = current.get();
        inFlight.emplace_back(std::move(current), std::async(std::launch::async, [&lane, block, level, last] {
                                  lane.compress(*block, level, last);
                              }));
        if (last) break;
    }
    while (!inFlight.empty())
        writeOldest();
    return result;
}

} // namespace tabrix::engine::zipfile
