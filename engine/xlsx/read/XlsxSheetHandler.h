#pragma once

#include "engine/model/BookData.h"
#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/read/XlsxSheetReader.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::xlsx {

/// The expat handler of one worksheet part. Cell data is the hot path of the whole reader (tens of millions
/// of elements in a large sheet): character data goes into reused buffers, numbers are parsed in place, and
/// cells are appended at the end of their row, so a well-formed sheet costs no allocation per cell beyond its
/// text.
class SheetHandler : public XmlHandler {
public:
    SheetHandler(SheetData& sheet, const SheetContext& ctx) : m_sheet(sheet), m_ctx(ctx) {}

    void startElement(std::string_view name, const char** atts) override;
    void endElement(std::string_view name) override;
    void characters(const char* text, int len) override {
        if (m_collect) m_collect->append(text, size_t(len));
    }
    /// Settles what only the end of the part tells (column runs).
    void finish();

private:
    enum class ValueType : uint8_t { Number, Shared, Str, Inline, Bool, Error, Date };
    enum class FormulaKind : uint8_t { None, Normal, Shared, Array, Other };
    struct SharedFormula {
        std::string text;
        uint32_t row = 0;
        uint32_t col = 0;
    };

    void startRow(const char** atts);
    void startCell(const char** atts);
    void startFormula(const char** atts);
    void endCell();
    bool setValue(Cell& cell);
    uint32_t formulaId();
    void placeCell(const Cell& cell);
    void sheetElement(std::string_view name, const char** atts);
    void readColumn(const char** atts);
    void noteDropped(const char* feature);
    [[noreturn]] void cellError(const std::string& what) const;

    SheetData& m_sheet;
    const SheetContext& m_ctx;
    bool m_inSheetData = false;
    std::string* m_collect = nullptr;

    // The row being read.
    uint32_t m_row = 0;
    bool m_rowStarted = false;
    RowData* m_rowData = nullptr;
    uint32_t m_rowDataIndex = 0;
    int64_t m_lastCol = -1;
    size_t m_lastRowCells = 0;

    // The cell being read.
    uint32_t m_cellRow = 0;
    uint32_t m_cellCol = 0;
    uint32_t m_cellStyle = 0;
    ValueType m_type = ValueType::Number;
    FormulaKind m_formula = FormulaKind::None;
    int64_t m_sharedIndex = -1;
    bool m_hasValue = false;
    bool m_hasInline = false;
    bool m_inPhonetic = false;
    std::string m_value;
    std::string m_formulaText;
    std::optional<CellRect> m_formulaRef; ///< the area of an array formula
    std::string m_inline;

    std::unordered_map<int64_t, SharedFormula> m_shared;
    std::vector<ColumnInfo> m_columns;
};

} // namespace tabrix::engine::xlsx
