#include "engine/xlsx/write/Packager.h"

#include "engine/zip/ParallelDeflate.h"
#include "engine/zip/ZipWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <deque>
#include <future>
#include <mutex>
#include <string.h>
#include <thread>

namespace tabrix::engine::xlsx {

using zipfile::PreparedEntry;

namespace {

// Most small parts are the same from one package to the next (the theme, the relationships, often the styles and
// document properties of a split's thousands of parts). The last ones deflated are kept, matched on their whole
// content, so each is deflated once.
struct DeflatedPart {
    std::string original;
    PreparedEntry entry;
};
constexpr size_t kKeptParts = 32;
constexpr size_t kLargestKeptPart = 64u << 10;
std::mutex g_keptMutex;
std::deque<std::shared_ptr<const DeflatedPart>> g_kept;

PreparedEntry deflatedSmallPart(const std::string& data, const std::function<size_t(char*, size_t)>& read, int level) {
    const bool keep = data.size() <= kLargestKeptPart;
    if (keep) {
        std::lock_guard lock(g_keptMutex);
        for (const auto& part : g_kept)
            if (part->original == data) return part->entry;
    }
    PreparedEntry entry = zipfile::prepareEntry(read, level);
    if (keep && entry.whole) {
        auto part = std::make_shared<DeflatedPart>(DeflatedPart{data, entry});
        std::lock_guard lock(g_keptMutex);
        g_kept.push_front(std::move(part));
        if (g_kept.size() > kKeptParts) g_kept.pop_back();
    }
    return entry;
}

} // namespace

void Packager::add(std::string_view name, std::string data) {
    m_parts.push_back(Part{std::string(name), std::move(data), {}, 6});
}

void Packager::addStream(std::string_view name, std::function<size_t(char*, size_t)> read, int level) {
    m_parts.push_back(Part{std::string(name), {}, std::move(read), level});
}

void Packager::write(const std::string& path) {
    zipfile::ZipWriter out(path);
    writeTo(out);
}

std::string Packager::writeToMemory(const std::string& name) {
    char* buffer = nullptr;
    size_t size = 0;
    // The stream's buffer is ours once the stream is closed (by finish(), or by the writer going on a failure). It
    // is cleared before it is freed: a package kept in memory is one about to be encrypted.
    struct Freed {
        char*& buffer;
        size_t& size;
        ~Freed() {
            if (buffer) explicit_bzero(buffer, size);
            std::free(buffer);
        }
    } freed{buffer, size};
    {
        zipfile::ZipWriter out(open_memstream(&buffer, &size), name);
        writeTo(out);
    }
    return std::string(buffer, size);
}

void Packager::writeTo(zipfile::ZipWriter& out) {
    std::vector<size_t> streamed;
    for (size_t i = 0; i < m_parts.size(); ++i)
        if (m_parts[i].reader) streamed.push_back(i);
    const size_t ahead = streamed.size() < 2 ? 0 : std::max(2u, std::thread::hardware_concurrency());
    // Declared before the futures that read the parts: a future of std::async waits for its thread when destroyed,
    // so on every way out no thread is left reading.
    std::deque<std::future<PreparedEntry>> pending;
    size_t launched = 0;
    auto launch = [&] {
        for (; launched < streamed.size() && pending.size() < ahead; ++launched) {
            Part& part = m_parts[streamed[launched]];
            pending.push_back(std::async(std::launch::async,
                                         [&part] { return zipfile::prepareEntry(part.reader, part.level); }));
        }
    };
    for (Part& part : m_parts) {
        if (!part.reader) {
            // One reader for both steps: a part too large for one piece goes on where the first step stopped.
            const auto read = zipfile::readerOf(part.data);
            PreparedEntry entry = deflatedSmallPart(part.data, read, part.level);
            out.addPrepared(part.name, entry, read, part.level);
            continue;
        }
        launch();
        PreparedEntry entry;
        if (ahead == 0) {
            entry = zipfile::prepareEntry(part.reader, part.level);
        } else {
            entry = pending.front().get();
            pending.pop_front();
        }
        out.addPrepared(part.name, entry, part.reader, part.level);
    }
    out.finish();
}

} // namespace tabrix::engine::xlsx
