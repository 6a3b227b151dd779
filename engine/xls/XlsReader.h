#pragma once

#include "engine/crypto/PasswordPrompt.h"
#include "engine/model/BookData.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tabrix::engine::xls {

/// Reads a 2003-format workbook (BIFF8, or BIFF5/7 from older programs) from its OLE2 container. Throws EngineError
/// saying which file, stream, record and byte offset failed. A protected workbook is decrypted with the password
/// findPassword() settles on (PasswordNotGivenError when there is none).
std::unique_ptr<BookData> readXls(const std::string& path, const crypto::PasswordPrompt& prompt = {});

/// The same for a file already in memory; name stands for the file in messages. Only the workbook stream is kept.
std::unique_ptr<BookData> readXlsBytes(std::span<const uint8_t> file, const std::string& name,
                                       const crypto::PasswordPrompt& prompt = {});

} // namespace tabrix::engine::xls
