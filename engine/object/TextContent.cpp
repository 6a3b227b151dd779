#include "engine/object/TextContent.h"

#include "engine/EngineError.h"
#include "engine/ssml/SpreadsheetMlReader.h"
#include "engine/text/DelimitedReader.h"
#include "engine/text/HtmlReader.h"
#include "engine/text/MhtmlReader.h"
#include "engine/text/SheetNaming.h"
#include "engine/text/TableSniffer.h"
#include "engine/text/TextEncoding.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tabrix::engine {

namespace {
constexpr uint64_t kMaxTextFile = uint64_t(2) << 30; // decoded in memory whole
constexpr size_t kSniffBytes = 64 * 1024;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// An HTML page: one of the elements a table page is made of appears near the top, whatever namespaces the page
// declares on them.
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

text::DelimiterHint hintFor(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".csv") return text::DelimiterHint::Comma;
    if (ext == ".xls" || ext == ".txt" || ext == ".tsv" || ext == ".tab") return text::DelimiterHint::Tab;
    return text::DelimiterHint::None;
}

ContentKind kindOf(char delimiter) {
    switch (delimiter) {
    case '\t': return ContentKind::Tsv;
    case ';': return ContentKind::SemicolonText;
    case '|': return ContentKind::PipeText;
    case ',': return ContentKind::Csv;
    default: return ContentKind::PlainText;
    }
}

std::unique_ptr<BookData> readDelimitedText(std::string_view bytes, const std::string& path) {
    // Valid UTF-8 (most exports) is read where it lies, checked as it is read; anything else is converted first.
    std::string_view text = bytes;
    if (bytes.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    text::TableLayout layout = text::sniffTable(text, hintFor(path));
    const std::string sheetName = text::sheetNameForFile(path);
    auto delimiterOf = [](const text::TableLayout& l) { return l.delimiter ? l.delimiter : text::kNoDelimiter; };
    std::unique_ptr<BookData> book = text::readDelimitedIfUtf8(text, delimiterOf(layout), sheetName, path);
    if (!book) {
        // Not UTF-8: converted, and judged again, since the lines may read differently once converted.
        const text::DecodedText decoded = text::decodeText(bytes);
        layout = text::sniffTable(decoded.utf8, hintFor(path));
        book = text::readDelimited(decoded.utf8, delimiterOf(layout), sheetName, path);
    }
    book->content = kindOf(layout.delimiter);
    book->tableStartRow = layout.firstRow;
    return book;
}

std::unique_ptr<BookData> readDecoded(std::string_view bytes, const std::string& path) {
    const std::string_view head = bytes.substr(0, kSniffBytes);
    // A single-file web page first: its parts hold pages, which the later tests would take it for.
    if (text::looksLikeMhtml(head)) {
        auto book = text::readMhtml(bytes, path);
        book->content = ContentKind::Mhtml;
        return book;
    }
    if (ssml::isSpreadsheetMl(head)) {
        auto decoded = text::decodeText(bytes, ssml::declaredXmlEncoding(head));
        auto book = ssml::readSpreadsheetMl(decoded.utf8, path);
        book->content = ContentKind::SpreadsheetMl;
        return book;
    }
    if (looksLikeHtml(head)) {
        auto decoded = text::decodeText(bytes, text::declaredHtmlCharset(head.substr(0, 16 * 1024)));
        auto book = text::readHtml(decoded.utf8, path);
        book->content = ContentKind::Html;
        return book;
    }
    return readDelimitedText(bytes, path);
}

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

std::unique_ptr<BookData> readTextTableBytes(std::string_view bytes, const std::string& path) {
    if (!text::looksLikeText(bytes.substr(0, 4096)))
        throw EngineError(path + ": 不是可识别的工作簿文件（既不是 xlsx 也不是 xls 格式，也不是表格文本）");
    // UTF-16 is turned into UTF-8 before anything looks for markup or delimiters.
    if (auto bom = text::bomEncoding(bytes); bom && bom->first != "UTF-8") {
        const std::string utf8 = "\xEF\xBB\xBF" + text::convertToUtf8(bytes.substr(bom->second), bom->first);
        return readDecoded(utf8, path);
    }
    return readDecoded(bytes, path);
}

std::unique_ptr<BookData> readTextTable(const std::string& path) {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) throw EngineError(path + ": 无法读取文件（" + ec.message() + "）");
    if (size > kMaxTextFile)
        throw EngineError(path + ": 文件太大（" + std::to_string(size) + " 字节），表格文本最多读入 2 GB");
    FileBytes bytes(size);
    if (!readWhole(path, bytes, size))
        throw EngineError(path + ": 无法读取文件 " + std::filesystem::path(path).filename().string());
    return readTextTableBytes(bytes.view(), path);
}

} // namespace tabrix::engine
