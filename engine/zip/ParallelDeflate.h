#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tabrix::engine::zipfile {

/// What one deflated entry came to.
struct DeflateResult {
    uint32_t crc = 0;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
};

/// An entry is deflated (raw, no zlib header) in two steps, the first of which may run on another thread than the
/// second. read(buffer, capacity) returns how many bytes it put into buffer (0 at the end); write(data) takes
/// output. An entry of ordinary size is compressed in one piece; a very large one block by block, as many blocks at
/// a time as there are cores, while the next blocks are read: each block is deflated on its own and ends on a byte
/// boundary, and back to back they form one valid stream, so memory stays at a few blocks.
///
/// The first step reads the entry and, when it is of ordinary size, deflates it. A larger entry keeps what was read
/// so far for finishEntry.
struct PreparedEntry {
    bool whole = false;
    std::string data; ///< the deflated entry when whole, else the start of the entry as read
    DeflateResult result;
};
PreparedEntry prepareEntry(const std::function<size_t(char*, size_t)>& read, int level);

/// The second step: writes a whole entry's output, or deflates a large one block by block from what was read
/// before and what read() still yields.
DeflateResult finishEntry(PreparedEntry& entry, const std::function<size_t(char*, size_t)>& read,
                          const std::function<void(std::string_view)>& write, int level);

/// A read function over data held in memory, from its start.
std::function<size_t(char*, size_t)> readerOf(std::string_view data);

} // namespace tabrix::engine::zipfile
