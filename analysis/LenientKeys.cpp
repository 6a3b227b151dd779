#include "analysis/LenientKeys.h"

#include "engine/model/ValueEquality.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"
#include "framework/LenientText.h"

namespace tabrix::analysis {

using namespace tabrix::engine;

std::string lenientKey(const Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return foldCase(framework::lenientText(*text));
    if (const auto* number = std::get_if<double>(&value)) {
        Cell cell;
        cell.type = CellType::Number;
        cell.number = *number;
        return *findText(BookData{}, cell);
    }
    if (const auto* truth = std::get_if<bool>(&value)) return *truth ? "true" : "false";
    if (const auto* error = std::get_if<ErrorCode>(&value)) return foldCase(errorText(*error));
    return {};
}

LenientKeys::LenientKeys(Worksheet& sheet, uint32_t column, uint32_t rows) {
    m_rows.reserve(rows);
    for (uint32_t r = 1; r <= rows; ++r) m_rows[lenientKey(sheet.Cells(r, column).Value())].push_back(r);
}

std::span<const uint32_t> LenientKeys::rows(const Variant& value) const {
    const auto it = m_rows.find(lenientKey(value));
    if (it == m_rows.end()) return {};
    return it->second;
}

bool lenientValuesEqual(const Variant& a, const Variant& b) {
    const auto* ta = std::get_if<std::string>(&a);
    const auto* tb = std::get_if<std::string>(&b);
    if (!ta && !tb) return valuesEqual(a, b);
    return valuesEqual(ta ? Variant(framework::lenientText(*ta)) : a, tb ? Variant(framework::lenientText(*tb)) : b);
}

} // namespace tabrix::analysis
