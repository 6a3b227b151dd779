#include "engine/object/ReadAhead.h"

#include "engine/object/WorkbookFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <thread>

namespace tabrix::engine {

namespace {
std::optional<ReadAhead::Stamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return ReadAhead::Stamp{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                            static_cast<unsigned long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                            static_cast<long long>(st.st_mtim.tv_nsec)};
}

std::unique_ptr<BookData> readInFull(const std::string& path) {
    auto book = readWorkbookFile(path);
    for (auto& sheet : book->sheets) sheet->ensureLoaded();
    return book;
}

size_t inFlightLimit() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, ReadAhead::kMaxInFlight);
}
} // namespace

// Futures from std::async wait for their thread when destroyed, so nothing outlives the object.
ReadAhead::~ReadAhead() = default;

void ReadAhead::expect(std::span<const std::string> upcoming, bool heldTogether) {
    upcoming = upcoming.first(std::min(upcoming.size(), inFlightLimit()));
    std::erase_if(m_pending, [&](const Pending& p) {
        return std::find(upcoming.begin(), upcoming.end(), p.path) == upcoming.end();
    });
    for (const std::string& path : upcoming) {
        if (std::any_of(m_pending.begin(), m_pending.end(), [&](const Pending& p) { return p.path == path; }))
            continue;
        auto stamp = stampOf(path);
        if (!stamp || (!heldTogether && stamp->size > kLargestFile)) continue; // Open deals with it, and reports what is wrong
        m_pending.push_back({path, *stamp, std::async(std::launch::async, readInFull, path)});
    }
}

std::unique_ptr<BookData> ReadAhead::take(const std::string& path) {
    auto it = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& p) { return p.path == path; });
    if (it == m_pending.end()) return nullptr;
    Pending pending = std::move(*it);
    m_pending.erase(it);
    std::unique_ptr<BookData> book;
    try {
        book = pending.book.get();
    } catch (...) {
        return nullptr;
    }
    if (stampOf(path) != std::optional<Stamp>(pending.stamp)) return nullptr;
    return book;
}

} // namespace tabrix::engine
