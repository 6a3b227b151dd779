#include "engine/text/TextWorkbook.h"

#include "engine/EngineError.h"
#include "engine/ssml/SpreadsheetMlReader.h"
#include "engine/text/DelimitedReader.h"
#include "engine/text/HtmlReader.h"
#include "engine/text/SheetNaming.h"
#include "engine/text/TextEncoding.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tabrix::engine::text {

namespace {
constexpr uint64_t kMaxTextFile = uint64_t(2) << 30; // decoded in memory whole
constexpr size_t kSniffBytes = 64 * 1024;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// An HTML page: one of the elements a table page starts with appears near the top.
bool looksLikeHtml(std::string_view head) {
    static constexpr std::string_view tags[] = {"table", "html", "tr", "td", "!doctype html", "body", "th"};
    for (size_t at = head.find('<'); at != std::string_view::npos; at = head.find('<', at + 1)) {
        for (std::string_view tag : tags) {
            if (head.size() - at - 1 <= tag.size()) continue;
            size_t k = 0;
            while (k < tag.size() && lower(head[at + 1 + k]) == tag[k])
                ++k;
            const char after = head[at + 1 + k];
            if (k == tag.size() &&
                (after == '>' || after == ' ' || after == '\t' || after == '\n' || after == '\r' || after == '/'))
                return true;
        }
    }
    return false;
}

std::string fileLabel(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::unique_ptr<BookData> readDecoded(std::string_view bytes, const std::string& path) {
    const std::string_view head = bytes.substr(0, kSniffBytes);
    if (ssml::isSpreadsheetMl(head)) {
        auto decoded = decodeText(bytes, ssml::declaredXmlEncoding(head));
        auto book = ssml::readSpreadsheetMl(decoded.utf8, path);
        book->content = ContentKind::SpreadsheetMl;
        return book;
    }
    if (looksLikeHtml(head)) {
        auto decoded = decodeText(bytes, declaredHtmlCharset(head.substr(0, 16 * 1024)));
        auto book = readHtml(decoded.utf8, path);
        book->content = ContentKind::Html;
        return book;
    }
    // Valid UTF-8 (most exports) is read where it lies, checked as it is read; anything else is converted first.
    std::string_view text = bytes;
    if (bytes.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    char delimiter = sniffDelimiter(text);
    std::unique_ptr<BookData> book;
    // The delimiter is judged on the first lines only, which are read the same whatever the encoding when they
    // are ASCII; otherwise they are judged again after the conversion.
    if (delimiter != 0) book = readDelimitedIfUtf8(text, delimiter, sheetNameForFile(path), path);
    if (!book) {
        // Valid UTF-8 without a delimiter is no table; anything else is converted and looked at again.
        const bool plainText = delimiter == 0 && isValidUtf8(text);
        const DecodedText decoded = plainText ? DecodedText{} : decodeText(bytes);
        if (!plainText) delimiter = sniffDelimiter(decoded.utf8);
        if (delimiter == 0) throw EngineError(path + ": 不是工作簿：内容是普通文本，没有用制表符、逗号或分号分隔的列");
        book = readDelimited(decoded.utf8, delimiter, sheetNameForFile(path), path);
    }
    book->content = delimiter == '\t'  ? ContentKind::Tsv
                    : delimiter == ';' ? ContentKind::SemicolonText
                                       : ContentKind::Csv;
    return book;
}
} // namespace

std::unique_ptr<BookData> readTextWorkbookBytes(std::string_view bytes, const std::string& path) {
    if (!looksLikeText(bytes.substr(0, 4096)))
        throw EngineError(path + ": 不是可识别的工作簿文件（既不是 xlsx 也不是 xls 格式，也不是表格文本）");
    // UTF-16 is turned into UTF-8 before anything looks for markup or delimiters.
    if (auto bom = bomEncoding(bytes); bom && bom->first != "UTF-8") {
        const std::string utf8 = "\xEF\xBB\xBF" + convertToUtf8(bytes.substr(bom->second), bom->first);
        return readDecoded(utf8, path);
    }
    return readDecoded(bytes, path);
}

namespace {
// The bytes of a file in memory of their own, which the readers only read. The whole huge pages inside a large
// file's memory are asked for as such: a first read then takes a handful of page faults instead of one per 4 KiB,
// and the memory comes from the heap as before, so a later read reuses it.
class FileBytes {
public:
    explicit FileBytes(uint64_t size) : m_bytes(new char[size]), m_size(size) {
        constexpr uintptr_t kHuge = uintptr_t(2) << 20;
        const auto start = reinterpret_cast<uintptr_t>(m_bytes.get());
        const uintptr_t from = (start + kHuge - 1) & ~(kHuge - 1), to = (start + size) & ~(kHuge - 1);
        if (from < to) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE); // only a hint
    }
    char* data() { return m_bytes.get(); }
    std::string_view view() const { return {m_bytes.get(), m_size}; }

private:
    std::unique_ptr<char[]> m_bytes; // not filled first: the file is read once, where it lies
    uint64_t m_size;
};

// Reads the whole file into bytes; false when it cannot be opened or read, or is not as long as it was.
bool readWhole(const std::string& path, FileBytes& bytes, uint64_t size) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    uint64_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, bytes.data() + done, size_t(std::min<uint64_t>(size - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += uint64_t(n);
    }
    close(fd);
    return done == size;
}
} // namespace

std::unique_ptr<BookData> readTextWorkbook(const std::string& path) {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) throw EngineError(path + ": 无法读取文件（" + ec.message() + "）");
    if (size > kMaxTextFile)
        throw EngineError(path + ": 文件太大（" + std::to_string(size) + " 字节），表格文本最多读入 2 GB");
    FileBytes bytes(size);
    if (!readWhole(path, bytes, size)) throw EngineError(path + ": 无法读取文件 " + fileLabel(path));
    return readTextWorkbookBytes(bytes.view(), path);
}

} // namespace tabrix::engine::text
