#pragma once

#include "framework/Host.h"

#include <string>
#include <vector>

namespace tabrix::engine {
class Application;
class Workbook;
} // namespace tabrix::engine

namespace tabrix::merge {

/// The controls of the merge-a-folder page, as the action reads and writes them.
struct MergeFolderPage {
    std::string folder;             ///< Text3
    bool asSheets = false;          ///< Option1(1) "合并为多个工作表"; Option1(0) otherwise
    std::string startRowText = "2"; ///< Text4; the action puts "2" back when it is empty
    bool nameColumns = false;       ///< Check2: the file-name and sheet-name columns
    std::string extension = "xls";  ///< the working extension: which files of the folder, and the dialog's filter
    bool byHeader = false;          ///< "按标题名称对齐列" (one-worksheet option): columns lined up by headings
};

/// The page's action button: checks the start row (one-worksheet option) and the folder, asks for the result
/// file (which may not lie in the folder), then merges every workbook of the folder in one of the two ways.
framework::Outcome mergeFolderAction(framework::Host& host, MergeFolderPage& page);

/// Stacks the data rows of every worksheet of every workbook of the folder into the first worksheet of a new
/// workbook, the header taken once, and saves it. Nothing is saved when any workbook cannot be read.
framework::Outcome mergeFolderIntoSheet(framework::Host& host, const MergeFolderPage& page, const std::string& target);

/// Copies the first workbook of the folder and appends every worksheet of the others after its sheets. The copy
/// is made under a temporary name beside the target and takes the target's name only once the merge succeeded.
framework::Outcome mergeFolderAsSheets(framework::Host& host, const MergeFolderPage& page, const std::string& target);

/// The workbooks the merge takes from a folder, in the order it takes them.
std::vector<std::string> folderWorkbooks(const MergeFolderPage& page);

/// Opens one workbook of the folder; a file that cannot be read fails with its name and the reason.
engine::Workbook& openFolderWorkbook(engine::Application& app, const std::string& path, const std::string& name);

} // namespace tabrix::merge
