#pragma once

#include "engine/model/BookData.h"

namespace tabrix::engine::crypto {
class BiffRc4CryptoApiWriter;
}

#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// Writes the workbook as BIFF8 in an OLE2 container. More than 65,536 rows or 256 columns on a sheet is an
/// EngineError before anything is written. A formula that cannot be encoded is written as its cached value and a
/// line naming the cell goes into warnings. With encryption, the stream carries its FILEPASS record and is
/// encrypted in memory before anything reaches the file.
void writeXls(BookData& book, const std::string& path, std::vector<std::string>& warnings,
              const crypto::BiffRc4CryptoApiWriter* encryption = nullptr);

} // namespace tabrix::engine::xls
