#include "engine/xls/XlsReader.h"

#include "engine/EngineError.h"
#include "engine/crypto/BiffProtection.h"
#include "engine/xls/BiffRecords.h"
#include "engine/xls/OleWorkbookStream.h"
#include "engine/xls/XlsBook.h"
#include "engine/xls/XlsGlobals.h"
#include "engine/xls/XlsSheetReader.h"

#include <filesystem>
#include <fstream>

namespace tabrix::engine::xls {

namespace {
// The format's own limits keep real workbooks far below this; a larger file is not one.
constexpr uint64_t kMaxFileSize = uint64_t(1) << 30;

std::function<void(SheetData&)> makeLoader(std::shared_ptr<XlsBook> xb, uint32_t position) {
    return [xb, position](SheetData& sheet) {
        std::lock_guard lock(xb->mutex);
        auto notedAtOpen = sheet.droppedFeatures;
        try {
            readSheet(*xb, position, sheet);
        } catch (...) {
            // A sheet that failed stays unloaded and fails again on the next access, rather than showing the
            // part read before the error as if it were the whole sheet.
            sheet.rows().clear();
            sheet.columns.clear();
            sheet.merged.clear();
            sheet.droppedFeatures = std::move(notedAtOpen);
            sheet.touch();
            sheet.setLoader(makeLoader(xb, position));
            throw;
        }
    };
}

SheetKind kindOf(const XlsBook& xb, const SheetEntry& entry) {
    switch (entry.type) {
    case 1: return SheetKind::Macro;
    case 2: return SheetKind::Chart;
    case 6: return SheetKind::Macro; // an Excel 5 VB module: no cells, and not a worksheet
    default: return peekSheetKind(xb, entry.position).value_or(SheetKind::Worksheet);
    }
}

void addSheets(const std::shared_ptr<XlsBook>& xb, const GlobalsInfo& info) {
    BookData& book = *xb->book;
    for (const SheetEntry& entry : info.sheets) {
        auto sheet = std::make_unique<SheetData>();
        sheet->name = entry.name;
        sheet->visibility = entry.visibility;
        sheet->kind = kindOf(*xb, entry);
        if (sheet->kind != SheetKind::Chart && entry.type != 6) sheet->setLoader(makeLoader(xb, entry.position));
        book.sheets.push_back(std::move(sheet));
    }
    book.activeSheet = info.activeTab < book.sheets.size() ? info.activeTab : 0;
}


// The BIFF generation as the globals' BOF gives it, which decides the FILEPASS layout.
int biffOf(const std::vector<uint8_t>& stream, const std::string& streamName) {
    if (stream.size() >= 6 && stream[0] == 0x09 && stream[1] == 0x08) {
        const uint16_t version = uint16_t(stream[4] | stream[5] << 8);
        if (version == kBiff8) return 8;
        if (version == kBiff5) return 5;
    }
    return streamName.ends_with("Book") ? 5 : 8;
}

// Decrypts a protected stream in place; the password that opened it, unless it was the default one.
std::shared_ptr<const crypto::Password> unprotect(XlsBook& xb, const std::string& name,
                                                  const crypto::PasswordPrompt& prompt) {
    auto protection = crypto::BiffProtection::find(xb.stream, biffOf(xb.stream, xb.streamName), xb.where);
    if (!protection) return nullptr;
    auto password = crypto::findPassword(
        name, protection->schemeName(), [&](const crypto::Password& p) { return protection->accepts(p); }, prompt);
    protection->decrypt(xb.stream, password ? *password : crypto::Password(crypto::kDefaultPassword));
    xb.decrypted = true;
    return password;
}
} // namespace

std::unique_ptr<BookData> readXlsBytes(std::span<const uint8_t> file, const std::string& name,
                                       const crypto::PasswordPrompt& prompt) {
    WorkbookStream ws = readWorkbookStream(file, name);
    auto xb = std::make_shared<XlsBook>();
    xb->where = name + ": " + ws.name + " 流";
    xb->streamName = ws.name;
    xb->stream = std::move(ws.bytes);
    auto password = unprotect(*xb, name, prompt);
    auto book = std::make_unique<BookData>();
    book->password = std::move(password);
    book->format = FileFormat::Xls;
    xb->book = book.get();
    GlobalsInfo info = readGlobals(*xb);
    resolveNames(*xb, info);
    addSheets(xb, info);
    if (ws.hasMacros && !book->sheets.empty()) book->sheets.front()->droppedFeatures.emplace_back("macros");
    return book;
}

std::unique_ptr<BookData> readXls(const std::string& path, const crypto::PasswordPrompt& prompt) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    if (ec) throw EngineError(path + ": 无法打开（" + ec.message() + "）");
    if (size > kMaxFileSize)
        throw EngineError(path + ": 文件有 " + std::to_string(size >> 20) + " MB，超出了 2003 格式工作簿的大小上限");
    std::vector<uint8_t> bytes(size);
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) throw EngineError(path + ": 无法读取");
    return readXlsBytes(bytes, path, prompt);
}

} // namespace tabrix::engine::xls
