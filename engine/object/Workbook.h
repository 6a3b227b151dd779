#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::engine {

class Workbooks;
class Worksheet;
class Sheets;

/// File formats as the automation interface numbers them.
enum class XlFileFormat : int { OpenXmlWorkbook = 51, Excel8 = 56 };

/// An open workbook: its sheets (worksheets and chart sheets in tab order) and where it was read from.
class Workbook {
public:
    Workbook(Workbooks& owner, std::unique_ptr<BookData> data, std::string fullName, bool fromFile);
    ~Workbook();

    /// All sheets (charts included) in tab order.
    class Sheets& Sheets();
    /// Worksheets only; Worksheets(i) counts worksheets from 1.
    class Sheets& Worksheets();
    Worksheet& Worksheets(int index);
    Worksheet& Worksheets(const std::string& name);

    /// Writes the workbook under a new name. Without a format the name's extension decides (".xls" → the 2003
    /// format, anything else → xlsx). The file is written beside the target and renamed into place, so a failed
    /// save never leaves a partial file under the target name.
    void SaveAs(const std::string& fileName, int accessMode = 1, std::optional<XlFileFormat> format = std::nullopt);
    /// Writes the workbook back to its file in the format it was opened in.
    void Save();
    void Close(bool saveChanges = false);

    std::string Name() const;
    const std::string& FullName() const { return m_fullName; }

    /// Frees the cells and texts of a workbook read from a file whose cells nobody has changed. Whatever asks for
    /// them afterwards gets them read again from the file, so nothing a caller sees changes; a caller that keeps
    /// many source workbooks open but is done with their cells (a folder merge) keeps memory to its result.
    void releaseCells();
    /// What the file held, whatever its name says.
    ContentKind content() const { return m_data->content; }
    /// For text with lines above its table, the row where the table starts (1 otherwise).
    uint32_t tableStartRow() const { return m_data->tableStartRow; }

    /// Whether the workbook was opened with a password; SaveAs and Save then write it protected with the same one.
    bool HasPassword() const { return m_data->password != nullptr; }
    /// Forgets the password, so the next save writes the workbook unprotected.
    void ClearPassword() { m_data->password.reset(); }
    /// The password the next save protects the workbook with (the automation interface's Workbook.Password).
    void SetPassword(const std::string& password);

    /// Lines about things the last save could not carry (for the operation's log).
    const std::vector<std::string>& saveWarnings() const { return m_saveWarnings; }

    // Engine side.
    BookData& data() {
        ensureCells();
        return *m_data;
    }
    /// Reads released cells back from the file (nothing to do unless releaseCells ran).
    void ensureCells() {
        if (!m_released.empty()) reloadCells();
    }
    Worksheet& sheetObject(size_t position);
    size_t sheetPosition(const Worksheet& sheet) const;
    Worksheet& insertSheet(size_t position, std::unique_ptr<SheetData> sheet);
    void removeSheet(size_t position);
    bool hasSheetNamed(const std::string& name, const SheetData* except = nullptr) const;
    std::string nextDefaultSheetName() const;
    void activate(size_t position) { m_data->activeSheet = static_cast<uint32_t>(position); }
    size_t activePosition() const { return m_data->activeSheet; }
    size_t sheetCount() const { return m_sheets.size(); }
    /// False when no formula of the workbook names a sheet (so none can point into another sheet). Loads every
    /// sheet, as a sheet read later would bring formulas the answer did not see.
    bool formulasMayNameSheets();

private:
    Workbooks& m_owner;
    std::unique_ptr<BookData> m_data;
    std::vector<std::unique_ptr<Worksheet>> m_sheets; ///< parallel to m_data->sheets
    std::unique_ptr<class Sheets> m_allSheets;
    std::unique_ptr<class Sheets> m_worksheets;
    std::string m_fullName;
    bool m_fromFile;
    std::vector<std::string> m_saveWarnings;
    std::vector<std::pair<SheetData*, size_t>> m_released; ///< sheets whose cells were freed, and their place in the file
    void reloadCells();
    // Formulas of the pool already looked at by formulasMayNameSheets, and whether one of them named a sheet.
    uint32_t m_formulasScanned = 0;
    bool m_formulaNamesSheet = false;
};

} // namespace tabrix::engine
