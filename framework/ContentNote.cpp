#include "framework/ContentNote.h"

#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"

namespace tabrix::framework {

void logContent(Host& host, const engine::Workbook& book, const std::string& shownPath) {
    const auto note =
        engine::contentNote(shownPath.empty() ? book.FullName() : shownPath, book.content(), book.tableStartRow());
    if (note) host.appendLog(*note);
}

} // namespace tabrix::framework
