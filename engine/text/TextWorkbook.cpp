#include "engine/text/TextWorkbook.h"

#include "engine/EngineError.h"
#include "engine/ssml/SpreadsheetMlReader.h"
#include "engine/text/DelimitedReader.h"
#include "engine/text/HtmlReader.h"
#include "engine/text/SheetNaming.h"
#include "engine/text/TextEncoding.h"

#include <filesystem>
#include <fstream>
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

std::unique_ptr<BookData> readTextWorkbook(const std::string& path) {
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) throw EngineError(path + ": 无法读取文件（" + ec.message() + "）");
    if (size > kMaxTextFile)
        throw EngineError(path + ": 文件太大（" + std::to_string(size) + " 字节），表格文本最多读入 2 GB");
    // Read straight into memory that is not filled first: the text is read once, where it lies.
    std::unique_ptr<char[]> bytes(new char[size]);
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.get(), std::streamsize(size));
    if (!in || uint64_t(in.gcount()) != size) throw EngineError(path + ": 无法读取文件 " + fileLabel(path));
    return readTextWorkbookBytes(std::string_view(bytes.get(), size), path);
}

} // namespace tabrix::engine::text
