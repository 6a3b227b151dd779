#pragma once

#include "engine/model/BookData.h"
#include "engine/xls/BiffText.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// An external workbook (or the workbook itself) as a SUPBOOK record names it, with its EXTERNNAME entries.
struct SupBook {
    bool self = false;
    int externalBook = -1; ///< another workbook: its index in book->externalBooks
    std::vector<std::string> sheets;
    std::vector<std::string> externNames;
};

/// One EXTERNSHEET entry. BIFF8: a book and a range of its sheets; BIFF5: one sheet of this workbook by name
/// (or the workbook itself), followed by its own EXTERNNAME entries.
struct ExternSheet {
    int supBook = -1;
    int firstSheet = -1;
    int lastSheet = -1;
    std::string biff5Sheet;
    bool biff5Self = false;
    std::vector<std::string> externNames;
};

/// What the sheet loaders of one workbook share: the workbook stream and what its globals substream says.
/// The book owns the sheets whose loaders hold this, so it outlives them; loaders take the mutex.
struct XlsBook {
    std::string where; ///< file and stream for messages
    std::string streamName; ///< "Workbook", or "Book" in BIFF5/7 files
    std::vector<uint8_t> stream;
    int biff = 8; ///< 5 for BIFF5/7, 8 for BIFF8
    bool decrypted = false; ///< the stream was protected and is plain now (its FILEPASS record stays in place)
    CodePage codePage;
    BookData* book = nullptr;
    uint32_t sstBase = 0; ///< id in book->strings of shared string 0
    uint32_t sstCount = 0;
    std::vector<bool> sstRich; ///< shared strings with formatting runs, which the engine keeps as plain text
    std::vector<uint32_t> xfToStyle;       ///< XF index → style id in book->styles
    /// A style that looks like the default but is not id 0: blank cells with a format record count for the used
    /// range, as they do in the application, even when their format looks like the default.
    uint32_t formattedDefault = 0;
    std::vector<std::string> sheetNames;   ///< every BOUNDSHEET in order; formulas count sheets this way
    std::vector<SupBook> supBooks;         ///< BIFF8
    std::vector<ExternSheet> externSheets; ///< in record order; formulas refer to them by index
    std::vector<std::string> nameTexts;    ///< NAME records in order, for formulas (1-based there)
    std::mutex mutex;

    uint32_t styleOf(uint16_t xf) const { return xf < xfToStyle.size() ? xfToStyle[xf] : 0; }
};

} // namespace tabrix::engine::xls
