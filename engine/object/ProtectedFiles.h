#pragma once

#include "engine/crypto/PasswordPrompt.h"
#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <vector>

namespace tabrix::engine {

/// Reads an OLE2 compound file: an encrypted xlsx package (decrypted in memory, never written out plain) or a
/// 2003-format workbook, protected or not.
std::unique_ptr<BookData> readCompoundFile(const std::string& path, const crypto::PasswordPrompt& prompt);

/// Writes the workbook protected with book.password at path: agile AES-256 / SHA-512 for xlsx, RC4 CryptoAPI
/// for the 2003 format.
void writeProtectedFile(BookData& book, const std::string& path, FileFormat format,
                        std::vector<std::string>& warnings);

} // namespace tabrix::engine
