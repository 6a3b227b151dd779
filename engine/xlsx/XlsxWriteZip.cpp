#include "engine/xlsx/XlsxWriteZip.h"

#include "engine/EngineError.h"

#include "engine/xlsx/ParallelDeflate.h"
#include "engine/xlsx/ZipWriter.h"

#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <cstring>
#include <zip.h>

namespace tabrix::engine::xlsx {

XlsxPackageEditor::XlsxPackageEditor(const std::string& path) : m_zip(nullptr), m_path(path) {
    int code = 0;
    m_zip = zip_open(path.c_str(), 0, &code);
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::string what = zip_error_strerror(&error);
        zip_error_fini(&error);
        fail("无法重新打开刚写出的文件（" + what + "）");
    }
}

XlsxPackageEditor::~XlsxPackageEditor() {
    if (m_zip) zip_discard(m_zip);
}

std::vector<std::string> XlsxPackageEditor::partNames() const {
    std::vector<std::string> names;
    zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(m_zip, static_cast<zip_uint64_t>(i), 0)) names.emplace_back(name);
    return names;
}

bool XlsxPackageEditor::has(const std::string& part) const {
    return zip_name_locate(m_zip, part.c_str(), 0) >= 0;
}

std::string XlsxPackageEditor::read(const std::string& part) const {
    zip_int64_t index = zip_name_locate(m_zip, part.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0) fail("文件中缺少 " + part);
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!file) fail("无法读取 " + part + "（" + zip_strerror(m_zip) + "）");
    std::string data(st.size, '\0');
    zip_int64_t got = zip_fread(file, data.data(), st.size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) fail("无法读取 " + part);
    return data;
}

XlsxPackageEditor::Replacement& XlsxPackageEditor::replacementFor(const std::string& part) {
    for (auto& r : m_replacements)
        if (r.part == part) {
            r = Replacement{part};
            return r;
        }
    return m_replacements.emplace_back(Replacement{part});
}

void XlsxPackageEditor::write(const std::string& part, std::string data) {
    replacementFor(part).data = std::move(data);
}

void XlsxPackageEditor::writeStream(const std::string& part, std::function<size_t(char*, size_t)> read, int level) {
    Replacement& r = replacementFor(part);
    r.reader = std::move(read);
    r.level = level;
}

namespace {
// Most of what the writer library puts in a package is the same from one workbook to the next (the theme, the
// relationships, often the styles): the parts of a split are saved thousands of times over. The last parts
// deflated are kept, matched on their whole content, so each is deflated once.
struct DeflatedPart {
    std::string original;
    uint32_t crc = 0;
    std::string deflated;
};
constexpr size_t kKeptParts = 32;
constexpr size_t kLargestKeptPart = 64u << 10;
std::mutex g_keptMutex;
std::deque<std::shared_ptr<const DeflatedPart>> g_kept;

std::shared_ptr<const DeflatedPart> deflatedCopy(const std::string& data, uint32_t crc, int level) {
    const bool keep = data.size() <= kLargestKeptPart;
    if (keep) {
        std::lock_guard lock(g_keptMutex);
        for (const auto& part : g_kept)
            if (part->crc == crc && part->original == data) return part;
    }
    const auto read = readerOf(data);
    PreparedEntry entry = prepareEntry(read, level);
    auto part = std::make_shared<DeflatedPart>();
    part->crc = crc;
    if (entry.whole) {
        part->deflated = std::move(entry.data);
    } else {
        finishEntry(
            entry, read, [&](std::string_view piece) { part->deflated.append(piece); }, level);
    }
    if (keep) {
        part->original = data;
        std::lock_guard lock(g_keptMutex);
        g_kept.push_front(part);
        if (g_kept.size() > kKeptParts) g_kept.pop_back();
    }
    return part;
}
} // namespace

void XlsxPackageEditor::copyEntry(ZipWriter& out, uint64_t index) const {
    zip_stat_t st;
    if (zip_stat_index(m_zip, index, 0, &st) != 0) fail("无法读取刚写出的文件");
    // The compressed bytes are copied as they are: parts nobody changed are never inflated and deflated again.
    zip_file_t* file = zip_fopen_index(m_zip, index, ZIP_FL_COMPRESSED);
    if (!file) fail(std::string("无法读取 ") + st.name + "（" + zip_strerror(m_zip) + "）");
    std::string data(st.comp_size, '\0');
    zip_int64_t got = zip_fread(file, data.data(), st.comp_size);
    zip_fclose(file);
    if (got < 0 || static_cast<zip_uint64_t>(got) != st.comp_size) fail(std::string("无法读取 ") + st.name);
    if (st.comp_method == ZIP_CM_STORE && !data.empty()) {
        // A stored part (the writer library's, see LibraryPartsStored) is deflated on the way.
        const auto part = deflatedCopy(data, st.crc, kCopiedPartLevel);
        out.addRaw(st.name, ZIP_CM_DEFLATE, st.crc, data.size(), part->deflated);
        return;
    }
    out.addRaw(st.name, static_cast<uint16_t>(st.comp_method), st.crc, st.size, data);
}

std::function<size_t(char*, size_t)> XlsxPackageEditor::source(Replacement& r) {
    return r.reader ? r.reader : readerOf(r.data);
}

void XlsxPackageEditor::commit(const std::string& destination) {
    const std::string temp = destination.empty() ? m_path + ".pkg" : destination;
    try {
        // The package keeps its part order; new parts go at the end. Each step is a part copied as it is
        // (index into the package) or a replacement.
        struct Step {
            zip_int64_t copied = -1;
            size_t replacement = 0;
        };
        std::vector<Step> steps;
        std::vector<bool> placed(m_replacements.size(), false);
        const zip_int64_t count = zip_get_num_entries(m_zip, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(m_zip, static_cast<zip_uint64_t>(i), 0);
            if (!name) continue;
            size_t k = 0;
            while (k < m_replacements.size() && m_replacements[k].part != name)
                ++k;
            if (k < m_replacements.size()) {
                placed[k] = true;
                steps.push_back({-1, k});
            } else {
                steps.push_back({i, 0});
            }
        }
        for (size_t k = 0; k < m_replacements.size(); ++k)
            if (!placed[k]) steps.push_back({-1, k});

        std::vector<std::function<size_t(char*, size_t)>> sources;
        for (auto& r : m_replacements)
            sources.push_back(source(r));
        // Replacements are read and deflated ahead, on as many threads as there are cores, while the file is
        // written in order: a workbook of many sheets then saves on every core. A part too large to deflate in
        // one piece is finished in order on this thread (block by block, itself on every core).
        std::vector<size_t> order;
        for (const Step& step : steps)
            if (step.copied < 0 && m_replacements[step.replacement].reader) order.push_back(step.replacement);
        const size_t ahead = order.size() < 2 ? 0 : std::max(2u, std::thread::hardware_concurrency());
        // Declared after the sources they read: a future of std::async waits for its thread when destroyed, so on
        // every way out no thread is left reading.
        std::deque<std::future<PreparedEntry>> pending;
        size_t launched = 0;
        auto launch = [&] {
            for (; launched < order.size() && pending.size() < ahead; ++launched) {
                auto& read = sources[order[launched]];
                const int level = m_replacements[order[launched]].level;
                pending.push_back(std::async(std::launch::async, [&read, level] { return prepareEntry(read, level); }));
            }
        };
        ZipWriter out(temp);
        for (const Step& step : steps) {
            if (step.copied >= 0) {
                copyEntry(out, static_cast<zip_uint64_t>(step.copied));
                continue;
            }
            Replacement& r = m_replacements[step.replacement];
            auto& read = sources[step.replacement];
            launch();
            PreparedEntry entry;
            if (!r.reader || ahead == 0) {
                entry = prepareEntry(read, r.level);
            } else {
                entry = pending.front().get();
                pending.pop_front();
            }
            out.addPrepared(r.part, entry, read, r.level);
        }
        out.finish();
    } catch (...) {
        std::remove(temp.c_str());
        throw;
    }
    zip_discard(m_zip);
    m_zip = nullptr;
    if (!destination.empty()) return;
    if (std::rename(temp.c_str(), m_path.c_str()) != 0) {
        std::remove(temp.c_str());
        fail("无法写入目标文件");
    }
}

void XlsxPackageEditor::fail(const std::string& what) const {
    throw EngineError(m_path + ": 保存失败，" + what);
}

} // namespace tabrix::engine::xlsx
