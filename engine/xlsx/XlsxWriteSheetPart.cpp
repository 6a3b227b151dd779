#include "engine/xlsx/XlsxWriteSheetPart.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/xlsx/XlsxWriteMessages.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace tabrix::engine::xlsx {

namespace {

/// An unnamed temporary file in dir, on the disk the package goes to (the system's temporary folder may be a
/// small one); the system's folder when dir cannot take it.
std::FILE* temporaryFileIn(const std::string& dir) {
    std::string name = (dir.empty() ? std::string(".") : dir) + "/.tabrix-sheet-XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0) return std::tmpfile();
    unlink(name.c_str());
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) close(fd);
    return file;
}

/// Writes the part to a temporary file: its size must be known before it is deflated, or the zip library marks
/// the entry as ZIP64, which the application's strict ZIP64 reading can take for a damaged file.
std::FILE* writePartFile(const std::string& dir, const std::string& head, const std::string& tail,
                         XlsxSheetDataWriter& rows, const SheetData& sheet) {
    std::FILE* file = temporaryFileIn(dir);
    if (!file) throw EngineError("保存失败，无法创建临时文件（" + describeErrno(errno) + "）");
    static constexpr size_t kChunk = 1 << 16;
    std::unique_ptr<char[]> buf(new char[kChunk]);
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
    for (size_t n; ok && (n = rows.read(buf.get(), kChunk)) > 0;) ok = std::fwrite(buf.get(), 1, n, file) == n;
    ok = ok && std::fwrite(tail.data(), 1, tail.size(), file) == tail.size() && std::fflush(file) == 0;
    if (!ok) {
        int err = errno;
        std::fclose(file);
        throw EngineError("保存失败，无法写入工作表“" + sheet.name + "”的临时文件（" + describeErrno(err) + "）");
    }
    std::rewind(file);
    return file;
}

std::string dimensionRef(const SheetExtent& e) {
    if (!e.hasCells) return "A1";
    if (e.firstRow == e.lastRow && e.firstCol == e.lastCol) return cellName(e.firstRow, e.firstCol);
    return cellName(e.firstRow, e.firstCol) + ":" + cellName(e.lastRow, e.lastCol);
}

} // namespace

void addSheetDataParts(XlsxPackageEditor& zip, const std::string& tempDir, const BookData& book,
                       const XlsxFormatCache& formats, const std::vector<SheetDataEntry>& sheets) {
    for (const auto& entry : sheets) {
        std::string part = "xl/worksheets/sheet" + std::to_string(entry.lxwIndex + 1) + ".xml";
        std::string xml = zip.read(part);
        size_t data = xml.find("<sheetData/>");
        size_t dimension = xml.find("<dimension ref=\"");
        size_t dimensionEnd = dimension == std::string::npos ? dimension : xml.find("/>", dimension);
        if (data == std::string::npos || dimensionEnd == std::string::npos || dimensionEnd > data)
            throw EngineError("保存失败，libxlsxwriter 写出的 " + part + " 与预期的不同");
        std::string head = xml.substr(0, dimension) + "<dimension ref=\"" + dimensionRef(entry.extent) + "\"/>" +
                           xml.substr(dimensionEnd + 2, data - dimensionEnd - 2) + "<sheetData>";
        std::string tail = "</sheetData>" + xml.substr(data + 12);
        XlsxSheetDataWriter rows(book, *entry.sheet, formats);
        zip.writeFile(part, writePartFile(tempDir, head, tail, rows, *entry.sheet), kSheetDataLevel);
    }
}

} // namespace tabrix::engine::xlsx
