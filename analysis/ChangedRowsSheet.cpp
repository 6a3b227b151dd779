#include "analysis/ChangedRowsSheet.h"

#include "engine/model/CellAddress.h"
#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"

namespace tabrix::analysis {

using namespace tabrix::engine;

namespace {
constexpr const char* kSourceHeading = "来源";

// One side's row under its side's name, the shown columns in order from column B. Columns that lie side by
// side in the source and in the sheet are copied as one range.
void writeSide(Worksheet& sheet, uint32_t at, const std::string& side, Worksheet& from, uint32_t row,
               const ChangeLayout& layout, bool firstSide) {
    sheet.Cells(at, 1).SetValue(side);
    const auto column = [&](size_t k) { return firstSide ? layout.columns[k].first : layout.columns[k].second; };
    const std::string r = std::to_string(row);
    for (size_t k = 0; k < layout.columns.size();) {
        size_t end = k + 1;
        while (end < layout.columns.size() && column(end) == column(end - 1) + 1) ++end;
        from.Range(columnLetters(column(k) - 1) + r + ":" + columnLetters(column(end - 1) - 1) + r)
            .Copy(sheet.Cells(at, uint32_t(k + 2)));
        k = end;
    }
}
} // namespace

void writeChangedRows(Worksheet& sheet, const ChangeLayout& layout, const PassPlan& plan,
                      const std::vector<ChangedRow>& changes) {
    sheet.Cells(1, 1).SetValue(std::string(kSourceHeading));
    for (size_t k = 0; k < layout.columns.size(); ++k)
        layout.second.Cells(1, layout.columns[k].second).Copy(sheet.Cells(1, uint32_t(k + 2)));
    // Each side's rows are written in a run of their own, so that copies come from one workbook after another
    // rather than switching between the two on every row.
    uint32_t at = 2;
    for (const ChangedRow& change : changes) {
        // The first pass walks the second worksheet and searches the first one.
        writeSide(sheet, at, layout.firstSide, layout.first, change.searched, layout, true);
        at += 3;
    }
    at = 3;
    for (const ChangedRow& change : changes) {
        writeSide(sheet, at, layout.secondSide, layout.second, change.walked, layout, false);
        at += 3;
    }
    at = 2;
    for (const ChangedRow& change : changes) {
        for (size_t k = 0; k < layout.columns.size(); ++k) {
            if (!layout.compared[k]) continue;
            const auto [c1, c2] = layout.columns[k];
            if (sameValue(plan, layout.first.Cells(change.searched, c1).Value(),
                          layout.second.Cells(change.walked, c2).Value()))
                continue;
            sheet.Cells(at, uint32_t(k + 2)).SetInteriorColor(kChangedFill);
            sheet.Cells(at + 1, uint32_t(k + 2)).SetInteriorColor(kChangedFill);
        }
        at += 3;
    }
}

} // namespace tabrix::analysis
