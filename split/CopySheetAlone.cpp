#include "split/CopySheetAlone.h"

#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

namespace tabrix::split {

using namespace tabrix::engine;

void keepFirstWorksheetOnly(Workbook& book) {
    for (int n = book.Worksheets().Count(); n >= 2; --n)
        book.Worksheets(n).Delete();
}

Worksheet& copySheetAlone(Workbook& newBook, Worksheet& source) {
    keepFirstWorksheetOnly(newBook);
    Worksheet& placeholder = newBook.Worksheets(1);
    placeholder.SetName(kPlaceholderName);
    source.Copy(placeholder);
    Worksheet& copy = newBook.Worksheets(2);
    copy.SetVisible(true);
    placeholder.Delete();
    // A source that carries the placeholder's own name arrived as "Name (2)"; with the placeholder gone it can
    // take its name back.
    if (copy.Name() != source.Name()) copy.SetName(source.Name());
    return copy;
}

} // namespace tabrix::split
