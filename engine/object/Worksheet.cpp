#include "engine/object/Worksheet.h"

#include "engine/EngineError.h"
#include "engine/model/CellAddress.h"
#include "engine/object/CellTransfer.h"
#include "engine/object/CrossBookFormulas.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/SheetNames.h"
#include "engine/object/Workbook.h"

#include <algorithm>
#include <cctype>

namespace tabrix::engine {

Worksheet::Worksheet(Workbook& book, SheetData& data) : m_book(book), m_data(&data) {}
Worksheet::~Worksheet() = default;

SheetData& Worksheet::data() {
    m_book.ensureCells();
    m_data->ensureLoaded();
    return *m_data;
}

void Worksheet::requireWorksheet(const char* call) const {
    if (m_data->kind != SheetKind::Worksheet)
        throw EngineError(m_book.Name() + "!" + m_data->name + ": " + call + " 只能用于工作表，这是图表或宏表");
}

void Worksheet::SetName(const std::string& name) {
    if (name == m_data->name) return;
    if (auto problem = sheetNameProblem(name); !problem.empty()) throw EngineError(m_book.Name() + ": " + problem);
    if (m_book.hasSheetNamed(name, m_data))
        throw EngineError(m_book.Name() + ": 已有名为“" + name + "”的工作表，名称不能重复");
    // Formulas naming the sheet follow it to its new name, as in the application.
    if (m_book.formulasMayNameSheets()) retargetSheetReferences(m_book.data(), 0, m_data->name, name);
    m_data->name = name;
}

namespace {
bool tableNameTaken(const BookData& book, std::string_view name) {
    for (const auto& sheet : book.sheets)
        for (const SheetTable& table : sheet->tables)
            if (table.name.size() == name.size() &&
                std::equal(name.begin(), name.end(), table.name.begin(),
                           [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); }))
                return true;
    return false;
}

void copySheetData(SheetData& src, const BookData& from, BookData& to, SheetData& copy, CrossBookFormulas* crossBook) {
    copy.kind = src.kind;
    copy.visibility = src.visibility;
    copy.defaultColWidth = src.defaultColWidth;
    copy.defaultRowHeight = src.defaultRowHeight;
    copy.merged = src.merged;
    copy.arrayFormulas = src.arrayFormulas;
    copy.opaqueParts = src.opaqueParts;
    copy.droppedFeatures = src.droppedFeatures;
    CellTransfer transfer(from, to, 0, 0, crossBook);
    copy.columns = src.columns;
    for (auto& col : copy.columns)
        col.style = transfer.style(col.style);
    auto& rows = copy.rows();
    rows.resize(src.rows().size());
    for (size_t r = 0; r < rows.size(); ++r) {
        const RowData& in = src.rows()[r];
        RowData& out = rows[r];
        out.height = in.height;
        out.hidden = in.hidden;
        out.hasStyle = in.hasStyle;
        out.style = transfer.style(in.style);
        out.cells.reserve(in.cells.size());
        for (const Cell& c : in.cells)
            out.cells.push_back(transfer.carry(c, uint32_t(r)));
    }
}
} // namespace

void Worksheet::Copy(Worksheet& after) {
    SheetData& src = data();
    Workbook& target = after.workbook();
    const bool otherBook = &target != &m_book;
    auto made = std::make_unique<SheetData>();
    made->name = uniqueCopyName(target, src.name);
    size_t position = target.sheetPosition(after) + 1;
    SheetData& copy = target.insertSheet(position, std::move(made)).data();
    if (!otherBook) {
        copySheetData(src, m_book.data(), target.data(), copy, nullptr);
    } else {
        // Known as the source's sheet before its cells come over, so its formulas that name it point at the copy.
        copy.copiedFromBook = m_book.FullName();
        copy.copiedFromSheet = src.name;
        for (const SheetTable& table : src.tables) {
            if (!tableNameTaken(target.data(), table.name)) {
                copy.tables.push_back(table);
                continue;
            }
            target.data().copyNotes.push_back("工作表“" + copy.name + "”的表格“" + table.name +
                                              "”与结果中的表格同名，已改为普通区域，引用它的公式改为引用同样的单元格");
        }
        CrossBookFormulas crossBook(m_book, src, target, copy, true);
        copySheetData(src, m_book.data(), target.data(), copy, &crossBook);
        crossBook.bringSheetNames();
        pointLinksAtCopiedSheet(target.data(), copy);
    }
    target.activate(position);
}

void Worksheet::Delete() {
    size_t visible = 0;
    for (auto& s : m_book.data().sheets)
        visible += s->visibility == Visibility::Visible ? 1 : 0;
    if (visible <= 1 && m_data->visibility == Visibility::Visible)
        throw EngineError(m_book.Name() + ": 不能删除“" + m_data->name + "”，工作簿至少要有一个可见的工作表");
    m_book.removeSheet(m_book.sheetPosition(*this)); // destroys this object
}

void Worksheet::SetVisible(bool visible) {
    if (visible == Visible()) return;
    if (!visible) {
        size_t shown = 0;
        for (auto& s : m_book.data().sheets)
            shown += s->visibility == Visibility::Visible ? 1 : 0;
        if (shown <= 1)
            throw EngineError(m_book.Name() + ": 不能隐藏“" + m_data->name + "”，工作簿至少要有一个可见的工作表");
    }
    m_data->visibility = visible ? Visibility::Visible : Visibility::Hidden;
}

Range Worksheet::Cells(uint32_t row, uint32_t col) {
    requireWorksheet("Cells");
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
        throw EngineError(m_book.Name() + "!" + m_data->name + ": Cells(" + std::to_string(row) + ", " +
                          std::to_string(col) + ") 超出工作表范围");
    return {*this, CellRect{row - 1, col - 1, row - 1, col - 1}};
}

Range Worksheet::Cells() {
    return {*this, CellRect{0, 0, kMaxRows - 1, kMaxCols - 1}};
}

Range Worksheet::Range(const std::string& address) {
    requireWorksheet("Range");
    auto rect = parseRangeRef(address);
    if (!rect)
        throw EngineError(m_book.Name() + "!" + m_data->name + ": Range(\"" + address + "\") 不是有效的单元格地址");
    return {*this, *rect};
}

Range Worksheet::Columns(uint32_t col) {
    requireWorksheet("Columns");
    if (col < 1 || col > kMaxCols)
        throw EngineError(m_book.Name() + "!" + m_data->name + ": Columns(" + std::to_string(col) + ") 超出工作表范围");
    return {*this, CellRect{0, col - 1, kMaxRows - 1, col - 1}};
}

Range Worksheet::UsedRange() {
    requireWorksheet("UsedRange");
    auto used = data().usedRect();
    return {*this, used ? *used : CellRect{0, 0, 0, 0}};
}

FindIndex& Worksheet::findIndex() {
    if (!m_findIndex) m_findIndex = std::make_unique<FindIndex>();
    return *m_findIndex;
}

} // namespace tabrix::engine
