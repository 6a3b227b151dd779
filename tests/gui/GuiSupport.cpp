#include "gui/GuiSupport.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <charconv>

namespace tabrix::test {

namespace {
engine::Variant cellValue(const std::string& text) {
    double number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) return number;
    return text;
}

std::string cellText(const engine::Variant& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* d = std::get_if<double>(&value)) {
        std::string out = std::to_string(*d);
        out.erase(out.find_last_not_of('0') + 1);
        if (!out.empty() && out.back() == '.') out.pop_back();
        return out;
    }
    return "";
}
} // namespace

void makeBook(const std::string& path, const std::vector<SheetSpec>& sheets) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Add();
    while (book.Worksheets().Count() < int(sheets.size()))
        book.Worksheets().Add();
    for (size_t i = 0; i < sheets.size(); ++i) {
        engine::Worksheet& ws = book.Worksheets(int(i) + 1);
        ws.SetName(sheets[i].name);
        for (size_t r = 0; r < sheets[i].rows.size(); ++r)
            for (size_t c = 0; c < sheets[i].rows[r].size(); ++c)
                ws.Cells(uint32_t(r + 1), uint32_t(c + 1)).SetValue(cellValue(sheets[i].rows[r][c]));
    }
    while (book.Worksheets().Count() > int(sheets.size()))
        book.Worksheets(book.Worksheets().Count()).Delete();
    book.SaveAs(path);
}

std::vector<std::string> readSheet(const std::string& path, int sheet) {
    engine::Application app;
    engine::Worksheet& ws = app.Workbooks().Open(path).Worksheets(sheet);
    engine::Range used = ws.UsedRange();
    const auto rows = used.Cells().Rows().Count(), cols = used.Cells().Columns().Count();
    std::vector<std::string> out;
    for (uint64_t r = 1; r <= rows; ++r) {
        std::string line;
        for (uint64_t c = 1; c <= cols; ++c)
            line += (c > 1 ? "|" : "") + cellText(ws.Cells(uint32_t(r), uint32_t(c)).Value());
        out.push_back(line);
    }
    return out;
}

} // namespace tabrix::test
