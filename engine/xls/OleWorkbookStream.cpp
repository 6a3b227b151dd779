#include "engine/xls/OleWorkbookStream.h"

#include "engine/EngineError.h"
#include "engine/xls/GsfLibrary.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace tabrix::engine::xls {

namespace {
constexpr uint8_t kOleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderSize = 512;
constexpr size_t kDirEntrySize = 128;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

struct GObjectUnref {
    void operator()(void* p) const {
        if (p) g_object_unref(p);
    }
};
template <typename T> using GsfPtr = std::unique_ptr<T, GObjectUnref>;

uint32_t le32(std::span<const uint8_t> s, size_t at) {
    return uint32_t(s[at]) | uint32_t(s[at + 1]) << 8 | uint32_t(s[at + 2]) << 16 | uint32_t(s[at + 3]) << 24;
}
uint16_t le16(std::span<const uint8_t> s, size_t at) { return uint16_t(s[at] | s[at + 1] << 8); }

[[noreturn]] void containerDamaged(const std::string& name, const std::string& why) {
    throw EngineError(name + ": 文件的 OLE2 容器已损坏（" + why + "）");
}

// Header fields libgsf trusts for its allocations and chain walks, checked against the file's real size first
// so a crafted header is refused before it can make the library allocate or loop on sectors that do not exist.
void checkHeader(std::span<const uint8_t> file, const std::string& name) {
    auto damaged = [&](const std::string& why) { containerDamaged(name, why); };
    if (file.size() < kHeaderSize) damaged("文件比 512 字节的文件头还短");
    if (le16(file, 0x1C) != 0xFFFE) damaged("字节序标记不对");
    uint16_t shift = le16(file, 0x1E), miniShift = le16(file, 0x20);
    if (shift != 9 && shift != 12) damaged("扇区大小为 2^" + std::to_string(shift));
    if (miniShift != 6) damaged("小扇区大小为 2^" + std::to_string(miniShift));
    uint64_t sectorSize = uint64_t(1) << shift;
    uint64_t sectors = (file.size() + sectorSize - 1) / sectorSize; // the header counts as one; a cut-off last
    uint32_t fatSectors = le32(file, 0x2C);                          // sector still holds data
    uint32_t difatSectors = le32(file, 0x48);
    uint32_t miniFatSectors = le32(file, 0x40);
    if (fatSectors == 0 || fatSectors > sectors) damaged("FAT 扇区数为 " + std::to_string(fatSectors));
    if (difatSectors > sectors) damaged("DIFAT 扇区数为 " + std::to_string(difatSectors));
    if (miniFatSectors > sectors) damaged("小 FAT 扇区数为 " + std::to_string(miniFatSectors));
    uint32_t directory = le32(file, 0x30);
    if (directory >= sectors) damaged("目录位于文件之外");
    // The root entry has no siblings. libgsf would read siblings of the root as entries without a parent and
    // never free them, so a file claiming some is refused here (0 points back at the root, which it skips).
    uint64_t root = (uint64_t(directory) + 1) * sectorSize;
    if (root + kDirEntrySize <= file.size()) {
        uint32_t left = le32(file, size_t(root) + 0x44), right = le32(file, size_t(root) + 0x48);
        if ((left != kNoStream && left != 0) || (right != kNoStream && right != 0)) damaged("根目录项带有同级项");
    }
}

bool sameName(const char* a, std::string_view b) {
    if (!a || std::strlen(a) != b.size()) return false;
    return std::equal(b.begin(), b.end(), a, [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

std::string describeOther(GsfInfile* root) {
    int n = gsf_infile_num_children(root);
    bool encryptedPackage = false;
    std::string names;
    for (int i = 0; i < n && i < 12; ++i) {
        const char* child = gsf_infile_name_by_index(root, i);
        if (!child) continue;
        if (sameName(child, "EncryptedPackage")) encryptedPackage = true;
        if (sameName(child, "WordDocument")) return "这是 Word 文档，不是工作簿";
        if (sameName(child, "PowerPoint Document")) return "这是 PowerPoint 演示文稿，不是工作簿";
        names += names.empty() ? "" : "、";
        // Property streams start with a control character ("\x05SummaryInformation"); it is not worth showing.
        for (const char* c = child; *c; ++c)
            if (static_cast<unsigned char>(*c) >= 0x20) names += *c;
    }
    if (encryptedPackage) return "这是设有密码的 xlsx 工作簿（加密的 xlsx 包），不是 2003 格式的工作簿";
    return "不是工作簿：OLE2 容器中没有 Workbook 或 Book 流" +
           (names.empty() ? std::string() : "（其中有：" + names + "）");
}

WorkbookStream readChild(GsfInfile* root, int index, std::span<const uint8_t> file, const std::string& name) {
    WorkbookStream out;
    out.name = gsf_infile_name_by_index(root, index);
    GsfPtr<GsfInput> child(gsf_infile_child_by_index(root, index));
    if (!child) throw EngineError(name + ": 无法打开 " + out.name + " 流（容器已损坏）");
    gsf_off_t size = gsf_input_size(child.get());
    // No stream holds more than the file it lives in; a larger size is a damaged directory entry.
    if (size < 0 || uint64_t(size) > file.size())
        throw EngineError(name + ": " + out.name + " 流声称有 " + std::to_string(size) +
                          " 字节，比整个文件还大（容器已损坏）");
    out.bytes.resize(size_t(size));
    if (size > 0 && !gsf_input_read(child.get(), size, out.bytes.data()))
        throw EngineError(name + ": 无法读取 " + out.name + " 流（容器已损坏）");
    return out;
}
} // namespace

namespace {
GsfPtr<GsfInfile> openContainer(std::span<const uint8_t> file, const std::string& displayName, GsfPtr<GsfInput>& input) {
    checkHeader(file, displayName);
    ensureGsfReady();
    input.reset(gsf_input_memory_new(file.data(), gsf_off_t(file.size()), FALSE));
    GError* err = nullptr;
    GsfPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &err));
    if (!root) {
        std::string why = err && err->message ? err->message : "未知错误";
        if (err) g_error_free(err);
        containerDamaged(displayName, why);
    }
    return root;
}
} // namespace

std::optional<std::vector<std::vector<uint8_t>>> readOleStreams(std::span<const uint8_t> file,
                                                                const std::string& displayName,
                                                                std::initializer_list<std::string_view> names) {
    GsfPtr<GsfInput> input;
    GsfPtr<GsfInfile> root = openContainer(file, displayName, input);
    std::vector<std::vector<uint8_t>> out;
    const int n = gsf_infile_num_children(root.get());
    for (std::string_view wanted : names) {
        int found = -1;
        for (int i = 0; i < n && found < 0; ++i)
            if (sameName(gsf_infile_name_by_index(root.get(), i), wanted)) found = i;
        if (found < 0) return std::nullopt;
        out.push_back(readChild(root.get(), found, file, displayName).bytes);
    }
    return out;
}

std::string writeOleFile(const std::vector<std::pair<std::string, std::span<const uint8_t>>>& streams) {
    ensureGsfReady();
    GsfPtr<GsfOutput> sink(gsf_output_memory_new());
    GsfPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    bool ok = sink && ole;
    // The storages open on the way to the last stream, by path; a storage is closed once a stream outside it comes.
    std::vector<std::pair<std::string, GsfPtr<GsfOutfile>>> open;
    auto closeDown = [&](size_t keep) {
        while (open.size() > keep) {
            ok = gsf_output_close(GSF_OUTPUT(open.back().second.get())) && ok;
            open.pop_back();
        }
    };
    for (const auto& [path, bytes] : streams) {
        if (!ok) break;
        std::vector<std::string> parts;
        for (size_t start = 0, slash; start <= path.size(); start = slash + 1) {
            slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            parts.push_back(path.substr(start, slash - start));
        }
        size_t depth = 0;
        while (depth < open.size() && depth + 1 < parts.size() && open[depth].first == parts[depth]) ++depth;
        closeDown(depth);
        for (; ok && depth + 1 < parts.size(); ++depth) {
            GsfOutfile* parent = depth ? open[depth - 1].second.get() : ole.get();
            GsfPtr<GsfOutfile> storage(GSF_OUTFILE(gsf_outfile_new_child(parent, parts[depth].c_str(), TRUE)));
            ok = bool(storage);
            open.emplace_back(parts[depth], std::move(storage));
        }
        if (!ok) break;
        GsfOutfile* parent = open.empty() ? ole.get() : open.back().second.get();
        GsfPtr<GsfOutput> child(gsf_outfile_new_child(parent, parts.back().c_str(), FALSE));
        ok = child && (bytes.empty() || gsf_output_write(child.get(), bytes.size(), bytes.data())) &&
             gsf_output_close(child.get());
    }
    closeDown(0);
    ok = ok && gsf_output_close(GSF_OUTPUT(ole.get()));
    if (!ok) throw EngineError("无法写出 OLE2 容器");
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    return std::string(reinterpret_cast<const char*>(data), size_t(gsf_output_size(sink.get())));
}

WorkbookStream readWorkbookStream(std::span<const uint8_t> file, const std::string& displayName) {
    if (file.size() >= 4 && file[0] == 0x09 && file[1] == 0x08 && std::memcmp(file.data(), kOleMagic, 4) != 0)
        return {std::vector<uint8_t>(file.begin(), file.end()), "Book"};
    if (file.size() < 8 || std::memcmp(file.data(), kOleMagic, 8) != 0)
        throw EngineError(displayName + ": 不是 2003 格式的工作簿（没有 OLE2 容器）");
    GsfPtr<GsfInput> input;
    GsfPtr<GsfInfile> root = openContainer(file, displayName, input);
    int found = -1;
    int n = gsf_infile_num_children(root.get());
    for (int i = 0; i < n && found < 0; ++i)
        if (sameName(gsf_infile_name_by_index(root.get(), i), "Workbook")) found = i;
    // Excel 5/95 named the stream Book; a file saved for both versions has both, and Workbook is the newer.
    for (int i = 0; i < n && found < 0; ++i)
        if (sameName(gsf_infile_name_by_index(root.get(), i), "Book")) found = i;
    if (found < 0) throw EngineError(displayName + ": " + describeOther(root.get()));
    WorkbookStream out = readChild(root.get(), found, file, displayName);
    for (int i = 0; i < n; ++i)
        if (sameName(gsf_infile_name_by_index(root.get(), i), "_VBA_PROJECT_CUR")) out.hasMacros = true;
    return out;
}

} // namespace tabrix::engine::xls
