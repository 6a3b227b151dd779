#pragma once

#include "engine/model/BookData.h"

#include <future>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine {

/// Workbooks read in full on background threads before anyone asks for them, so that a folder's files are read
/// while earlier ones are saved. A result is only handed out while the file is still the one that was read (same
/// device, inode, size and modification time); a read that failed is dropped, so the caller reads the file again
/// and reports the failure at the moment it would have met it anyway.
class ReadAhead {
public:
    ReadAhead() = default;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead();

    /// The files the caller will open next, in order. The first few (as many as the machine has cores, at most
    /// kMaxInFlight) are read in the background; reads for files no longer among them are dropped. Files over
    /// kLargestFile are left alone: holding several of those at once would cost more memory than it saves time,
    /// unless the caller will hold them all open together anyway (heldTogether).
    void expect(std::span<const std::string> upcoming, bool heldTogether = false);
    /// The workbook read for `path` if there is one and the file has not changed since; nullptr otherwise.
    std::unique_ptr<BookData> take(const std::string& path);

    static constexpr size_t kMaxInFlight = 2;
    static constexpr unsigned long long kLargestFile = 32ull << 20;

    struct Stamp {
        unsigned long long device = 0, inode = 0, size = 0;
        long long modifiedSeconds = 0, modifiedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    struct Pending {
        std::string path;
        Stamp stamp;
        std::future<std::unique_ptr<BookData>> book;
    };
    std::vector<Pending> m_pending;
};

} // namespace tabrix::engine
