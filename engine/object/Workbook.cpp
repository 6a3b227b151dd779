#include "engine/object/Workbook.h"

#include "engine/model/ReleaseLater.h"

#include "engine/EngineError.h"
#include "engine/crypto/Secret.h"
#include "engine/object/Sheets.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tabrix::engine {

namespace {
std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}
} // namespace

Workbook::Workbook(Workbooks& owner, std::unique_ptr<BookData> data, std::string fullName, bool fromFile)
    : m_owner(owner), m_data(std::move(data)), m_allSheets(std::make_unique<class Sheets>(*this, false)),
      m_worksheets(std::make_unique<class Sheets>(*this, true)), m_fullName(std::move(fullName)),
      m_fromFile(fromFile) {
    for (auto& sheet : m_data->sheets) m_sheets.push_back(std::make_unique<Worksheet>(*this, *sheet));
    if (m_data->activeSheet >= m_sheets.size()) m_data->activeSheet = 0;
}

Workbook::~Workbook() {
    // Everything that points into the data goes first; the data itself is freed in the background.
    m_sheets.clear();
    m_allSheets.reset();
    m_worksheets.reset();
    releaseLater(std::move(m_data));
}

Sheets& Workbook::Sheets() { return *m_allSheets; }
Sheets& Workbook::Worksheets() { return *m_worksheets; }
Worksheet& Workbook::Worksheets(int index) { return m_worksheets->Item(index); }
Worksheet& Workbook::Worksheets(const std::string& name) { return m_worksheets->Item(name); }

std::string Workbook::Name() const { return std::filesystem::path(m_fullName).filename().string(); }

void Workbook::SaveAs(const std::string& fileName, int accessMode, std::optional<XlFileFormat> format) {
    ensureCells();
    (void)accessMode; // 1 = leave the access mode as it is: there is nothing else to change here.
    FileFormat target = formatForName(fileName);
    if (format) target = *format == XlFileFormat::Excel8 ? FileFormat::Xls : FileFormat::Xlsx;
    m_saveWarnings.clear();
    writeWorkbookFile(*m_data, fileName, target, m_saveWarnings);
    std::error_code ec;
    auto full = std::filesystem::absolute(fileName, ec);
    m_fullName = ec ? fileName : full.string();
    m_data->format = target;
    m_fromFile = true;
}

void Workbook::SetPassword(const std::string& password) {
    if (password.empty()) return ClearPassword();
    m_data->password = std::make_shared<const crypto::Password>(password);
}

void Workbook::Save() {
    ensureCells();
    if (!m_fromFile) throw EngineError(m_fullName + ": 新建的工作簿还没有文件名，请用 SaveAs 保存");
    m_saveWarnings.clear();
    writeWorkbookFile(*m_data, m_fullName, m_data->format, m_saveWarnings);
}

void Workbook::Close(bool saveChanges) {
    if (saveChanges) Save();
    m_owner.closeOne(*this); // destroys this object
}

void Workbook::releaseCells() {
    if (!m_fromFile || !m_released.empty()) return;
    if (std::any_of(m_sheets.begin(), m_sheets.end(), [](const auto& s) { return s->version() != 0; })) return;
    // Chart sheets keep their parts: they are small and hold no cells.
    for (size_t i = 0; i < m_data->sheets.size(); ++i) {
        SheetData& sheet = *m_data->sheets[i];
        if (sheet.kind == SheetKind::Chart) continue;
        sheet.dropCells();
        m_released.emplace_back(&sheet, i);
    }
    m_data->strings = StringPool();
    m_data->formulas = StringPool();
}

void Workbook::reloadCells() {
    // The file asks for the password it was opened with; the workbook still holds it.
    auto password = m_data->password;
    std::unique_ptr<BookData> fresh = readWorkbookFile(m_fullName, [password](const crypto::PasswordRequest&) {
        return password ? std::optional<crypto::Password>(*password) : std::nullopt;
    });
    auto released = std::move(m_released);
    m_released.clear();
    for (auto [sheet, index] : released) {
        const bool stillHere = std::any_of(m_data->sheets.begin(), m_data->sheets.end(),
                                           [&](const auto& s) { return s.get() == sheet; });
        if (stillHere && index < fresh->sheets.size()) sheet->takeCells(*fresh->sheets[index]);
    }
    // Loading a sheet may enter texts and formats in the workbook's tables: the cells go with the tables they
    // were read with.
    m_data->strings = std::move(fresh->strings);
    m_data->formulas = std::move(fresh->formulas);
    m_data->styles = std::move(fresh->styles);
}

Worksheet& Workbook::sheetObject(size_t position) { return *m_sheets.at(position); }

size_t Workbook::sheetPosition(const Worksheet& sheet) const {
    for (size_t i = 0; i < m_sheets.size(); ++i)
        if (m_sheets[i].get() == &sheet) return i;
    throw EngineError("工作表不属于工作簿 " + Name());
}

Worksheet& Workbook::insertSheet(size_t position, std::unique_ptr<SheetData> sheet) {
    position = std::min(position, m_sheets.size());
    auto& data = **m_data->sheets.insert(m_data->sheets.begin() + long(position), std::move(sheet));
    auto it = m_sheets.insert(m_sheets.begin() + long(position), std::make_unique<Worksheet>(*this, data));
    if (m_data->activeSheet >= position && m_sheets.size() > 1) ++m_data->activeSheet;
    for (DefinedName& name : m_data->names)
        if (name.localSheet >= int(position)) ++name.localSheet;
    return **it;
}

void Workbook::removeSheet(size_t position) {
    m_sheets.erase(m_sheets.begin() + long(position));
    m_data->sheets.erase(m_data->sheets.begin() + long(position));
    // A sheet's own names go with it.
    std::erase_if(m_data->names, [&](const DefinedName& n) { return n.localSheet == int(position); });
    for (DefinedName& name : m_data->names)
        if (name.localSheet > int(position)) --name.localSheet;
    if (m_data->activeSheet >= m_sheets.size() || m_data->activeSheet > position)
        m_data->activeSheet = m_data->activeSheet > 0 ? m_data->activeSheet - 1 : 0;
}

bool Workbook::hasSheetNamed(const std::string& name, const SheetData* except) const {
    const std::string wanted = lowerAscii(name);
    return std::any_of(m_data->sheets.begin(), m_data->sheets.end(),
                       [&](const auto& s) { return s.get() != except && lowerAscii(s->name) == wanted; });
}

bool Workbook::formulasMayNameSheets() {
    ensureCells();
    for (auto& sheet : m_data->sheets) sheet->ensureLoaded();
    const StringPool& pool = m_data->formulas;
    for (; !m_formulaNamesSheet && m_formulasScanned < pool.size(); ++m_formulasScanned)
        m_formulaNamesSheet = pool.get(m_formulasScanned).find('!') != std::string::npos;
    return m_formulaNamesSheet;
}

std::string Workbook::nextDefaultSheetName() const {
    for (int n = 1;; ++n) {
        std::string name = "Sheet" + std::to_string(n);
        if (!hasSheetNamed(name)) return name;
    }
}

} // namespace tabrix::engine
