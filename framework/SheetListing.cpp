#include "framework/SheetListing.h"

#include "framework/PasswordQuestions.h"

#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

namespace tabrix::framework {

std::vector<std::string> worksheetNames(const std::string& path, Host* host) {
    engine::Application app;
    if (host) askPasswordsThrough(*host, app);
    engine::Workbook& book = app.Workbooks().Open(path);
    std::vector<std::string> names;
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i)
        names.push_back(book.Worksheets(i).Name());
    app.Workbooks().Close();
    app.Quit();
    return names;
}

long usedColumnCount(const std::string& path, const std::string& sheet, Host* host) {
    engine::Application app;
    if (host) askPasswordsThrough(*host, app);
    engine::Workbook& book = app.Workbooks().Open(path);
    // Counted from column A: the listing offers every column up to the last one used, wherever the data start.
    engine::Range used = book.Worksheets(sheet).UsedRange();
    const long count = static_cast<long>(used.Column() - 1 + used.Cells().Columns().Count());
    app.Workbooks().Close();
    app.Quit();
    return count;
}

} // namespace tabrix::framework
