#pragma once

#include "engine/crypto/PasswordPrompt.h"
#include "engine/model/BookData.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine {

/// What the first bytes of a file say it is.
enum class FileKind { Missing, Empty, Zip, Ole2, Other };
FileKind sniffFile(const std::string& path);

/// Reads a workbook in whichever format its content has: xlsx, xls, or a table in text (HTML, 2003 XML, CSV).
/// A password-protected workbook asks prompt for its password unless the default password opens it.
std::unique_ptr<BookData> readWorkbookFile(const std::string& path, const crypto::PasswordPrompt& prompt = {});

/// The line for the operation's log when a file is not what its name says ("“a.xls”实际是网页表格（HTML），已按表格
/// 读取"), naming the row where the table starts when lines stand above it; for a file that is what its name
/// says, only that row is worth a line. nullopt when there is nothing to say.
std::optional<std::string> contentNote(const std::string& path, ContentKind content, uint32_t tableStartRow = 1);

/// Writes the workbook in the given format: into a temporary file in the target's folder, then renamed over the
/// target, so that a failure leaves no partial file under the target name. A workbook with a password is written
/// protected with it.
void writeWorkbookFile(BookData& book, const std::string& path, FileFormat format, std::vector<std::string>& warnings);

/// The format a name's extension asks for: ".xls" (any case) → the 2003 format, anything else → xlsx.
FileFormat formatForName(const std::string& path);

} // namespace tabrix::engine
