#include "engine/object/WorkbookFiles.h"

#include "engine/EngineError.h"
#include "engine/object/ProtectedFiles.h"
#include "engine/object/SaveFormulas.h"
#include "engine/object/XlsHooks.h"
#include "engine/object/TextContent.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "engine/xlsx/write/XlsxWriter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace tabrix::engine {

FileKind sniffFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return FileKind::Missing;
    std::ifstream in(path, std::ios::binary);
    char head[8] = {};
    in.read(head, sizeof head);
    auto got = in.gcount();
    if (got == 0) return FileKind::Empty;
    static const unsigned char ole[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && std::memcmp(head, ole, 8) == 0) return FileKind::Ole2;
    if (got >= 4 && head[0] == 'P' && head[1] == 'K') return FileKind::Zip;
    return FileKind::Other;
}

std::unique_ptr<BookData> readWorkbookFile(const std::string& path, const crypto::PasswordPrompt& prompt) {
    switch (sniffFile(path)) {
    case FileKind::Missing:
        throw EngineError(path + ": 文件不存在或不是普通文件");
    case FileKind::Empty:
        throw EngineError(path + ": 文件是空的（0 字节），不是工作簿");
    case FileKind::Zip: {
        auto book = xlsx::readXlsx(path);
        book->content = ContentKind::Xlsx;
        return book;
    }
    case FileKind::Ole2:
        return readCompoundFile(path, prompt);
    case FileKind::Other:
        break;
    }
    // Not a workbook container: perhaps a table in text (a page, a 2003 XML spreadsheet, CSV) under a
    // workbook's name. Saving it writes a real workbook in the format its name asks for.
    auto book = readTextTable(path);
    book->format = formatForName(path);
    return book;
}

namespace {
// What a name's extension promises.
std::optional<ContentKind> promisedContent(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".xls") return ContentKind::Xls;
    if (ext == ".xlsx" || ext == ".xlsm") return ContentKind::Xlsx;
    if (ext == ".htm" || ext == ".html") return ContentKind::Html;
    if (ext == ".mht" || ext == ".mhtml") return ContentKind::Mhtml;
    if (ext == ".xml") return ContentKind::SpreadsheetMl;
    if (ext == ".csv") return ContentKind::Csv;
    if (ext == ".tsv") return ContentKind::Tsv;
    return std::nullopt;
}

const char* contentDescription(ContentKind kind) {
    switch (kind) {
    case ContentKind::Xlsx: return "2007 格式工作簿（xlsx），已按该格式读取";
    case ContentKind::Xls: return "2003 格式工作簿（xls），已按该格式读取";
    case ContentKind::Html: return "网页表格（HTML），已按表格读取";
    case ContentKind::Mhtml: return "单个文件网页（MHTML），已按其中的工作表读取";
    case ContentKind::SpreadsheetMl: return "2003 XML 表格（XML Spreadsheet），已按表格读取";
    case ContentKind::Csv: return "逗号分隔的文本（CSV）";
    case ContentKind::Tsv: return "制表符分隔的文本";
    case ContentKind::SemicolonText: return "分号分隔的文本";
    case ContentKind::PipeText: return "竖线（|）分隔的文本";
    case ContentKind::PlainText: return "没有分隔符的文本，每行读作一个单元格";
    }
    return "";
}

bool isDelimitedText(ContentKind kind) {
    return kind == ContentKind::Csv || kind == ContentKind::Tsv || kind == ContentKind::SemicolonText ||
           kind == ContentKind::PipeText || kind == ContentKind::PlainText;
}
} // namespace

std::optional<std::string> contentNote(const std::string& path, ContentKind content, uint32_t tableStartRow) {
    const std::string name = "“" + fs::path(path).filename().string() + "”";
    const std::string table = tableStartRow > 1 ? "，表格从第" + std::to_string(tableStartRow) + "行开始" : "";
    const auto promised = promisedContent(path);
    // A .txt export and text under any other name are what they are; only a name that promises something else
    // (or a workbook name over text) is worth a line, or a table with lines above it.
    const bool asPromised = !promised || *promised == content ||
                            (*promised == ContentKind::Csv && content == ContentKind::SemicolonText);
    if (asPromised) {
        if (table.empty()) return std::nullopt;
        return name + "的表格从第" + std::to_string(tableStartRow) + "行开始，前面的行已放在A列";
    }
    const std::string read = isDelimitedText(content) && content != ContentKind::PlainText ? "，已按表格读取" : "";
    return name + "实际是" + contentDescription(content) + table + read;
}

FileFormat formatForName(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".xls" ? FileFormat::Xls : FileFormat::Xlsx;
}

namespace {
std::string temporaryNameBeside(const fs::path& target) {
    // One random start per process, then a counter: opening the random device for every save costs more than a
    // small workbook's whole write.
    static std::atomic<uint64_t> next{std::random_device{}()};
    auto dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // A target name may use the file system's whole 255 bytes; the temporary name must fit as well, so it keeps
    // only the start of it (cut between characters).
    std::string stem = target.filename().string();
    if (stem.size() > 200) {
        size_t cut = 200;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    return (dir / ("." + stem + ".tabrix-" + std::to_string(next++) + ".tmp")).string();
}
} // namespace

void writeWorkbookFile(BookData& book, const std::string& path, FileFormat format, std::vector<std::string>& warnings) {
    fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), ec))
        throw EngineError(path + ": 保存失败，文件夹不存在");
    if (fs::is_directory(target, ec)) throw EngineError(path + ": 保存失败，这是一个文件夹");
    const std::string temp = temporaryNameBeside(target);
    try {
        prepareFormulasForSave(book, warnings);
        if (book.password)
            writeProtectedFile(book, temp, format, warnings);
        else if (format == FileFormat::Xls)
            writeXlsFile(book, temp, warnings);
        else
            xlsx::writeXlsx(book, temp, warnings);
    } catch (const std::exception& error) {
        fs::remove(temp, ec);
        // Writers name the file they write; the user only knows the target's name.
        std::string message = error.what();
        for (size_t at; (at = message.find(temp)) != std::string::npos;)
            message.replace(at, temp.size(), path);
        if (message.find(path) == std::string::npos) message = path + ": " + message;
        throw EngineError(message);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw EngineError(path + ": 保存失败，无法写入目标文件（" + ec.message() + "）");
    }
}

} // namespace tabrix::engine
