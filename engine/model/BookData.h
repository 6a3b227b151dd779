#pragma once

#include "engine/model/ExternalBook.h"
#include "engine/model/SheetData.h"
#include "engine/model/StringPool.h"
#include "engine/model/StyleTable.h"

#include <memory>
#include <string>
#include <vector>

namespace tabrix::engine::crypto {
class Password;
}

namespace tabrix::engine {

enum class FileFormat : uint8_t { Xlsx, Xls };

/// What a file held, whatever its name says: a workbook of either format, or a table in another form.
enum class ContentKind : uint8_t { Xlsx, Xls, Html, Mhtml, SpreadsheetMl, Csv, Tsv, SemicolonText, PipeText, PlainText };

/// A defined name (kept so formulas that use it stay meaningful after a save).
struct DefinedName {
    std::string name;
    std::string formula;
    int localSheet = -1; ///< -1 = workbook scope
    bool hidden = false;
};

/// Everything of one workbook: its sheets in tab order and the pools their cells point into.
class BookData {
public:
    std::vector<std::unique_ptr<SheetData>> sheets;
    StringPool strings;
    StringPool formulas; ///< formula texts in A1 form without the leading "="
    StyleTable styles;
    std::vector<DefinedName> names;
    std::vector<ExternalBook> externalBooks; ///< other workbooks formulas refer to, "[1]" being the first
    /// What copying cells into this workbook could not keep as it was, said in the log when it is saved.
    std::vector<std::string> copyNotes;
    bool date1904 = false;
    FileFormat format = FileFormat::Xlsx; ///< the format Save writes
    ContentKind content = ContentKind::Xlsx;
    uint32_t tableStartRow = 1; ///< text with lines above its table: the row where the table starts
    uint32_t activeSheet = 0;
    /// The password the file was opened with, when it asked for one (the default password does not count):
    /// a conversion writes the result protected with it, and released cells are read again with it.
    std::shared_ptr<const crypto::Password> password;

    /// Text of a text cell, formula text of a formula cell.
    const std::string& text(const Cell& c) const { return strings.get(c.text); }
    const std::string& formulaText(const Cell& c) const { return formulas.get(c.formula - 1); }
    void setFormula(Cell& c, std::string_view text) { c.formula = formulas.intern(text) + 1; }
};

} // namespace tabrix::engine
