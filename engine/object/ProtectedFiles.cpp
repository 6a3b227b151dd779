#include "engine/object/ProtectedFiles.h"

#include "engine/EngineError.h"
#include "engine/crypto/BiffProtection.h"
#include "engine/crypto/DataSpaces.h"
#include "engine/crypto/PackageProtection.h"
#include "engine/xls/OleWorkbookStream.h"
#include "engine/xls/XlsReader.h"
#include "engine/xls/XlsWriter.h"
#include "engine/xlsx/read/XlsxReader.h"
#include "engine/xlsx/write/XlsxWriter.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tabrix::engine {

namespace {
constexpr uint64_t kMaxFileSize = uint64_t(1) << 30;

std::vector<uint8_t> readWhole(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) throw EngineError(path + ": 无法打开（" + ec.message() + "）");
    if (size > kMaxFileSize)
        throw EngineError(path + ": 文件有 " + std::to_string(size >> 20) + " MB，超出了工作簿的大小上限");
    std::vector<uint8_t> bytes(size);
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) throw EngineError(path + ": 无法读取");
    return bytes;
}

std::unique_ptr<BookData> readEncryptedPackage(const std::string& path, std::span<const uint8_t> info,
                                               std::span<const uint8_t> package,
                                               const crypto::PasswordPrompt& prompt) {
    auto protection = crypto::PackageProtection::read(info, path);
    crypto::SecretBytes key;
    auto password = crypto::findPassword(
        path, protection->schemeName(),
        [&](const crypto::Password& p) {
            key = protection->unlock(p);
            return !key.empty();
        },
        prompt);
    std::string zip = protection->decrypt(package, key, path);
    if (zip.size() < 4 || zip[0] != 'P' || zip[1] != 'K')
        throw EngineError(path + ": 解密后不是 xlsx 包（" + protection->schemeName() + "，加密的内容已损坏）");
    auto book = xlsx::readXlsxBuffer(std::move(zip), path);
    book->content = ContentKind::Xlsx;
    book->format = FileFormat::Xlsx;
    book->password = std::move(password);
    return book;
}

void writeFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), std::streamsize(bytes.size())) || !out.flush())
        throw EngineError(path + ": 写入文件失败");
}
} // namespace

std::unique_ptr<BookData> readCompoundFile(const std::string& path, const crypto::PasswordPrompt& prompt) {
    const std::vector<uint8_t> bytes = readWhole(path);
    if (auto streams = xls::readOleStreams(bytes, path, {"EncryptionInfo", "EncryptedPackage"}))
        return readEncryptedPackage(path, (*streams)[0], (*streams)[1], prompt);
    auto book = xls::readXlsBytes(bytes, path, prompt);
    book->content = ContentKind::Xls;
    return book;
}

void writeProtectedFile(BookData& book, const std::string& path, FileFormat format,
                        std::vector<std::string>& warnings) {
    if (format == FileFormat::Xls) {
        crypto::BiffRc4CryptoApiWriter encryption(*book.password);
        xls::writeXls(book, path, warnings, &encryption);
        return;
    }
    // The plain package stays in memory: only its encrypted form reaches the disk.
    std::string package = xlsx::writeXlsxToMemory(book, path, warnings);
    auto streams = crypto::encryptPackageAgile(package, *book.password);
    crypto::wipe(package.data(), package.size());
    const auto dataSpaces = crypto::dataSpacesStreams();
    std::vector<std::pair<std::string, std::span<const uint8_t>>> container;
    for (const auto& [name, bytes] : dataSpaces) container.emplace_back(name, bytes);
    container.emplace_back("EncryptionInfo", streams.encryptionInfo);
    container.emplace_back("EncryptedPackage", streams.encryptedPackage);
    writeFileBytes(path, xls::writeOleFile(container));
}

} // namespace tabrix::engine
