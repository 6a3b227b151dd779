#include "engine/xlsx/read/ZipPackage.h"

#include "engine/EngineError.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

namespace tabrix::engine::xlsx {

namespace {
constexpr uint64_t kMaxPartSize = uint64_t(4) << 30;
// Deflate cannot expand by more than about 1032:1; a header claiming more is forged or damaged.
constexpr uint64_t kMaxDeflateRatio = 1100;
constexpr size_t kChunkSize = size_t(1) << 20;
constexpr size_t kQueueDepth = 4;
// Deflated parts up to this size inflate in one call to libdeflate, about three times as fast as zlib's
// streaming inflate: a folder of ordinary workbooks converts in a third less CPU time. Larger parts stream, their
// inflating overlapped with parsing on a second thread, which for them ends sooner than inflating first.
constexpr uint64_t kWholeUpTo = uint64_t(1) << 20;
// Streamed parts above this inflate on a second thread.
constexpr uint64_t kThreadedAbove = uint64_t(256) << 10;

constexpr unsigned char kOle2Magic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool hasUtf16Name(std::string_view bytes, std::string_view name) {
    std::string wide;
    for (char c : name) {
        wide += c;
        wide += '\0';
    }
    return bytes.find(wide) != std::string_view::npos;
}

// What an OLE2 compound file named as a workbook package most likely is, from its directory entry names.
std::string describeOle2(std::string_view bytes) {
    if (hasUtf16Name(bytes, "EncryptedPackage") || hasUtf16Name(bytes, "EncryptionInfo"))
        return "工作簿设有密码（已加密）：请在创建它的程序中去掉密码后再试";
    if (hasUtf16Name(bytes, "Workbook") || hasUtf16Name(bytes, "Book"))
        return "不是 xlsx 包：这是加密文件或 2003 格式的文件（此文件是 2003 格式的 .xls 工作簿）";
    return "不是 xlsx 包：这是加密文件或 2003 格式的文件（OLE2 容器）";
}

// Refuses what is plainly not a zip package, with a message a user can act on.
void checkSignature(std::string_view head, const std::string& name, const std::function<std::string()>& whole) {
    if (head.empty()) throw EngineError(name + ": 文件是空的（0 字节），不是工作簿");
    if (head.size() >= 8 && std::memcmp(head.data(), kOle2Magic, 8) == 0)
        throw EngineError(name + ": " + describeOle2(whole()));
    if (head.size() < 4 || head[0] != 'P' || head[1] != 'K') throw EngineError(name + ": 不是工作簿（不是 zip 包）");
}

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Newer libzip names a cut-off archive with a code of its own; older releases report it as inconsistent.
bool damagedOrCutOff(int code) {
#ifdef ZIP_ER_TRUNCATED_ZIP
    if (code == ZIP_ER_TRUNCATED_ZIP) return true;
#endif
    return code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS || code == ZIP_ER_EOF;
}

[[noreturn]] void failOpen(const std::string& name, int code) {
    if (damagedOrCutOff(code))
        throw EngineError(name + ": 不是工作簿（zip 包已损坏或不完整）");
    throw EngineError(name + ": 无法打开 zip 包（" + zipErrorText(code) + "）");
}

std::string readHead(const std::string& path, size_t count) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EngineError(path + ": 无法打开文件（" + std::strerror(errno) + "）");
    std::string head(count, '\0');
    in.read(head.data(), static_cast<std::streamsize>(count));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

std::string readPrefix(const std::string& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    std::string data(limit, '\0');
    in.read(data.data(), static_cast<std::streamsize>(limit));
    data.resize(static_cast<size_t>(in.gcount()));
    return data;
}

struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipFile = std::unique_ptr<zip_file_t, FileCloser>;
} // namespace

ZipPackage::ZipPackage(zip* archive, std::string name, std::unique_ptr<std::string> buffer)
    : m_zip(archive), m_name(std::move(name)), m_buffer(std::move(buffer)) {
    zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* entry = zip_get_name(m_zip, static_cast<zip_uint64_t>(i), 0);
        if (entry) m_index.emplace(normalize(entry), static_cast<uint64_t>(i));
    }
}

ZipPackage::~ZipPackage() { zip_discard(m_zip); }

std::unique_ptr<ZipPackage> ZipPackage::openFile(const std::string& path) {
    checkSignature(readHead(path, 8), path, [&] { return readPrefix(path, size_t(256) << 20); });
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!archive) failOpen(path, code);
    return std::unique_ptr<ZipPackage>(new ZipPackage(archive, path, nullptr));
}

std::unique_ptr<ZipPackage> ZipPackage::openMemory(std::string data, const std::string& name) {
    checkSignature(std::string_view(data).substr(0, 8), name, [&] { return data; });
    // The zip library reads these bytes in place for as long as the package is open.
    auto owned = std::make_unique<std::string>(std::move(data));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(owned->data(), owned->size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        zip_source_free(source);
        failOpen(name, code);
    }
    zip_error_fini(&error);
    return std::unique_ptr<ZipPackage>(new ZipPackage(archive, name, std::move(owned)));
}

std::string ZipPackage::normalize(std::string_view part) {
    std::string out(part);
    std::replace(out.begin(), out.end(), '\\', '/');
    size_t start = out.find_first_not_of('/');
    out.erase(0, start == std::string::npos ? out.size() : start);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::vector<std::string> ZipPackage::partNames() const {
    std::vector<std::string> names;
    for (const auto& [key, index] : m_index) {
        std::string name = zip_get_name(m_zip, index, 0);
        std::replace(name.begin(), name.end(), '\\', '/');
        name.erase(0, std::min(name.find_first_not_of('/'), name.size()));
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ZipPackage::fail(const std::string& part, const std::string& what) const {
    throw EngineError(m_name + ": " + part + ": " + what);
}

ZipPackage::Located ZipPackage::locate(std::string_view part) const {
    auto it = m_index.find(normalize(part));
    if (it == m_index.end()) fail(std::string(part), "包中缺少这个部件");
    const char* entryName = zip_get_name(m_zip, it->second, 0);
    std::string name = entryName ? entryName : std::string(part);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, it->second, 0, &st) != 0)
        fail(name, std::string("无法读取（") + zip_strerror(m_zip) + "）");
    uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    uint64_t packed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    if (size > kMaxPartSize)
        fail(name, "声明解压后有 " + std::to_string(size) + " 字节，超过了一个部件最多能有的 4 GiB");
    bool deflated = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_DEFLATE;
    bool stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE;
    if ((deflated && size > packed * kMaxDeflateRatio + 4096) || (stored && size != packed))
        fail(name, "声明解压后有 " + std::to_string(size) + " 字节，而压缩数据只有 " + std::to_string(packed) +
                       " 字节（zip 条目已损坏或是伪造的）");
    // Deflate never grows data by more than a few bytes per block, so a compressed size far above the inflated
    // one is a damaged header: such an entry streams (and fails there) instead of sizing a buffer by it.
    bool plain = deflated && (st.valid & ZIP_STAT_CRC) && (st.valid & ZIP_STAT_COMP_SIZE) &&
                 (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method == ZIP_EM_NONE &&
                 packed <= size + size / 8 + 1024;
    return {it->second, size, std::move(name), packed, plain ? st.crc : 0, plain};
}

std::string ZipPackage::read(std::string_view part, uint64_t limit) {
    std::string out;
    Located found = locate(part);
    if (found.size > limit) fail(found.name, "太大，无法读入（" + std::to_string(found.size) + " 字节）");
    if (found.plainDeflate && found.size <= kWholeUpTo) {
        inflateWhole(found, [&](std::string_view whole) { out.assign(whole); });
        return out;
    }
    out.reserve(found.size);
    streamHere(found.index, found.size, found.name, [&](std::string_view chunk) { out.append(chunk); });
    return out;
}

void ZipPackage::stream(std::string_view part, const std::function<void(std::string_view)>& sink) {
    Located found = locate(part);
    if (found.plainDeflate && found.size <= kWholeUpTo)
        inflateWhole(found, sink);
    else if (found.size > kThreadedAbove)
        streamThreaded(found.index, found.size, found.name, sink);
    else
        streamHere(found.index, found.size, found.name, sink);
}

void ZipPackage::streamHere(uint64_t index, uint64_t size, const std::string& part,
                            const std::function<void(std::string_view)>& sink) {
    ZipFile file(zip_fopen_index(m_zip, index, 0));
    if (!file) fail(part, std::string("无法读取（") + zip_strerror(m_zip) + "）");
    std::string chunk(std::min<uint64_t>(std::max<uint64_t>(size, 1), kChunkSize) + 1, '\0');
    uint64_t total = 0;
    for (;;) {
        zip_int64_t n = zip_fread(file.get(), chunk.data(), chunk.size());
        if (n < 0) fail(part, std::string("无法解压（") + zip_file_strerror(file.get()) + "）");
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
        if (total > size) fail(part, "解压后超过声明的 " + std::to_string(size) + " 字节");
        sink(std::string_view(chunk.data(), static_cast<size_t>(n)));
    }
}

namespace {
struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
} // namespace

void ZipPackage::inflateWhole(const Located& found, const std::function<void(std::string_view)>& sink) {
    ZipFile file(zip_fopen_index(m_zip, found.index, ZIP_FL_COMPRESSED));
    if (!file) fail(found.name, std::string("无法读取（") + zip_strerror(m_zip) + "）");
    std::string packed(static_cast<size_t>(found.packed), '\0');
    size_t filled = 0;
    while (filled < packed.size()) {
        zip_int64_t n = zip_fread(file.get(), packed.data() + filled, packed.size() - filled);
        if (n < 0) fail(found.name, std::string("无法读取（") + zip_file_strerror(file.get()) + "）");
        if (n == 0) fail(found.name, "包在这个部件中间就结束了（文件不完整）");
        filled += static_cast<size_t>(n);
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(libdeflate_alloc_decompressor());
    if (!inflater) throw std::bad_alloc();
    std::string out(static_cast<size_t>(found.size), '\0');
    size_t got = 0;
    switch (libdeflate_deflate_decompress(inflater.get(), packed.data(), packed.size(), out.data(), out.size(), &got)) {
    case LIBDEFLATE_SUCCESS:
        break;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        fail(found.name, "解压后超过声明的 " + std::to_string(found.size) + " 字节");
    default:
        fail(found.name, "无法解压：压缩数据已损坏");
    }
    if (libdeflate_crc32(0, out.data(), got) != found.crc) fail(found.name, "无法解压：CRC 校验错误（部件已损坏）");
    out.resize(got);
    packed = std::string();
    sink(out);
}

namespace {
// Full chunks travel from the inflating thread to the parsing thread; emptied ones travel back for reuse, so a
// part of any size needs only kQueueDepth buffers.
struct ChunkQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> full;
    std::vector<std::string> empty;
    bool finished = false;
    bool cancelled = false;
    std::exception_ptr error;
};

void inflateInto(zip_file_t* file, uint64_t size, size_t chunkSize, ChunkQueue& q, const std::string& where) {
    uint64_t total = 0;
    for (;;) {
        std::string chunk;
        {
            std::unique_lock lock(q.mutex);
            q.changed.wait(lock, [&] { return q.cancelled || !q.empty.empty(); });
            if (q.cancelled) return;
            chunk = std::move(q.empty.back());
            q.empty.pop_back();
        }
        chunk.resize(chunkSize);
        size_t filled = 0;
        while (filled < chunk.size()) {
            zip_int64_t n = zip_fread(file, chunk.data() + filled, chunk.size() - filled);
            if (n < 0) throw EngineError(where + ": 无法解压（" + zip_file_strerror(file) + "）");
            if (n == 0) break;
            filled += static_cast<size_t>(n);
        }
        total += filled;
        if (total > size) throw EngineError(where + ": 解压后超过声明的 " + std::to_string(size) + " 字节");
        chunk.resize(filled);
        std::lock_guard lock(q.mutex);
        if (filled > 0) q.full.push_back(std::move(chunk));
        if (filled < chunkSize) q.finished = true;
        q.changed.notify_all();
        if (q.finished) return;
    }
}
} // namespace

void ZipPackage::streamThreaded(uint64_t index, uint64_t size, const std::string& part,
                                const std::function<void(std::string_view)>& sink) {
    ZipFile file(zip_fopen_index(m_zip, index, 0));
    if (!file) fail(part, std::string("无法读取（") + zip_strerror(m_zip) + "）");
    ChunkQueue q;
    // A smaller part gets smaller chunks, so that parsing can start while the rest still inflates.
    const size_t chunkSize = static_cast<size_t>(std::clamp<uint64_t>(size / 8, uint64_t(64) << 10, kChunkSize));
    for (size_t i = 0; i < kQueueDepth; ++i) q.empty.emplace_back().reserve(chunkSize);
    std::string where = m_name + ": " + part;
    std::thread inflater([&] {
        try {
            inflateInto(file.get(), size, chunkSize, q, where);
        } catch (...) {
            std::lock_guard lock(q.mutex);
            q.error = std::current_exception();
            q.finished = true;
            q.changed.notify_all();
        }
    });
    // Whatever leaves this scope, the inflating thread is told to stop and joined before the file closes.
    struct Joiner {
        ChunkQueue& q;
        std::thread& t;
        ~Joiner() {
            {
                std::lock_guard lock(q.mutex);
                q.cancelled = true;
            }
            q.changed.notify_all();
            t.join();
        }
    } joiner{q, inflater};
    for (;;) {
        std::string chunk;
        {
            std::unique_lock lock(q.mutex);
            q.changed.wait(lock, [&] { return !q.full.empty() || q.finished; });
            if (q.full.empty()) {
                if (q.error) std::rethrow_exception(q.error);
                return;
            }
            chunk = std::move(q.full.front());
            q.full.pop_front();
        }
        sink(chunk);
        std::lock_guard lock(q.mutex);
        q.empty.push_back(std::move(chunk));
        q.changed.notify_all();
    }
}

} // namespace tabrix::engine::xlsx
