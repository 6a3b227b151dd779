#include "cli/CellDump.h"
#include "cli/ConsoleHost.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "analysis/ClearData.h"
#include "analysis/FindData.h"
#include "convert/ConvertFolder.h"
#include "framework/ColumnLetters.h"
#include "merge/MergeSheets.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <cstring>
#include <string>
#include <vector>

using namespace tabrix;

namespace {

constexpr int kExitDone = 0, kExitRefused = 1, kExitFailed = 2;

const char* kUsage = R"(用法: tabrix-cli 命令 参数...
  sheets BOOK                    列出工作簿中的工作表（每行一个，按工作簿顺序）
  columns BOOK SHEET             列出工作表已用区域的列字母
  dump BOOK [SHEET]              以制表符分隔输出单元格（地址、类型、值、公式）
  merge-sheets SRC OUT [--start-row N] [--sheet-name-column] [--overwrite]
                                 把 SRC 的所有工作表合并为 OUT 的一个工作表
  find BOOK SHEET TEXT OUT [--overwrite]
                                 把工作表中含有 TEXT 的行（每行一次）写入 OUT 的“查找结果”工作表
  clear DATA SHEET REMOVE RSHEET OUT [--overwrite]
                                 把 DATA 工作表中不在 REMOVE 工作表里的行（按原顺序）写入 OUT
  save-as BOOK OUT [--format xlsx|xls]
                                 另存一个工作簿（格式由 --format 或 OUT 的扩展名决定）
  convert SRC_DIR DST_DIR --to xlsx|xls
                                 把 SRC_DIR 中的工作簿转换为另一种格式，保存到 DST_DIR
退出码: 0 完成, 1 输入被拒绝, 2 失败
)";

int exitCode(framework::Outcome outcome) {
    switch (outcome) {
    case framework::Outcome::Done: return kExitDone;
    case framework::Outcome::Failed: return kExitFailed;
    default: return kExitRefused;
    }
}

// The working extension a page would have had for this result: the dialog filter names it.
std::string extensionOf(const std::string& out) {
    const auto dot = out.rfind('.');
    return dot != std::string::npos && out.substr(dot + 1) == "xlsx" ? "xlsx" : "xls";
}

struct Args {
    std::vector<std::string> positional;
    std::vector<std::string> flags;
    std::string startRow = "2";
    std::string to;
    bool has(const char* flag) const {
        for (const auto& f : flags)
            if (f == flag) return true;
        return false;
    }
};

Args parseArgs(int argc, char** argv, int from) {
    Args args;
    for (int i = from; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--start-row" && i + 1 < argc)
            args.startRow = argv[++i];
        else if (a.rfind("--start-row=", 0) == 0)
            args.startRow = a.substr(12);
        else if (a == "--to" && i + 1 < argc)
            args.to = argv[++i];
        else if (a == "--format" && i + 1 < argc)
            args.to = argv[++i];
        else if (a.rfind("--to=", 0) == 0)
            args.to = a.substr(5);
        else if (a.rfind("--", 0) == 0)
            args.flags.push_back(a);
        else
            args.positional.push_back(a);
    }
    return args;
}

int listSheets(const std::string& path) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Open(path);
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i) std::printf("%s\n", book.Worksheets(i).Name().c_str());
    return kExitDone;
}

int listColumns(const std::string& path, const std::string& sheet) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Open(path);
    const auto n = book.Worksheets(sheet).UsedRange().Cells().Columns().Count();
    for (uint64_t c = 1; c <= n; ++c) std::printf("%s\n", framework::columnLetter(long(c)).c_str());
    return kExitDone;
}

int dump(const std::string& path, const std::string& sheet) {
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Open(path);
    cli::dumpWorkbook(book, sheet, stdout);
    return kExitDone;
}

int mergeSheetsCommand(const Args& args) {
    merge::MergeSheetsPage page;
    page.sourcePath = args.positional[0];
    page.startRowText = args.startRow;
    page.sheetNameColumn = args.has("--sheet-name-column");
    cli::ConsoleHost host(args.positional[1], args.has("--overwrite"));
    return exitCode(merge::mergeSheetsAction(host, page));
}

int findCommand(const Args& args) {
    const auto& p = args.positional;
    analysis::FindDataPage page{p[0], p[1], p[2], extensionOf(p[3])};
    cli::ConsoleHost host(p[3], args.has("--overwrite"));
    return exitCode(analysis::findDataAction(host, page));
}

int clearCommand(const Args& args) {
    const auto& p = args.positional;
    analysis::ClearDataPage page{p[0], p[1], p[2], p[3], extensionOf(p[4])};
    cli::ConsoleHost host(p[4], args.has("--overwrite"));
    return exitCode(analysis::clearDataAction(host, page));
}

int saveAs(const Args& args) {
    std::optional<engine::XlFileFormat> format;
    if (args.to == "xlsx") format = engine::XlFileFormat::OpenXmlWorkbook;
    if (args.to == "xls") format = engine::XlFileFormat::Excel8;
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Open(args.positional[0]);
    book.SaveAs(args.positional[1], 1, format);
    for (const auto& warning : book.saveWarnings()) std::printf("%s\n", warning.c_str());
    return kExitDone;
}

int convertCommand(const Args& args) {
    if (args.to != "xlsx" && args.to != "xls") {
        std::fputs("convert 需要 --to xlsx 或 --to xls\n", stderr);
        return kExitRefused;
    }
    convert::ConvertPage page{args.positional[0], args.positional[1], args.to == "xlsx"};
    cli::ConsoleHost host("", false);
    return exitCode(convert::convertFolderAction(host, page));
}

int run(const std::string& command, const Args& args) {
    const auto need = [&](size_t n) { return args.positional.size() >= n; };
    if (command == "sheets" && need(1)) return listSheets(args.positional[0]);
    if (command == "columns" && need(2)) return listColumns(args.positional[0], args.positional[1]);
    if (command == "dump" && need(1)) return dump(args.positional[0], need(2) ? args.positional[1] : "");
    if (command == "merge-sheets" && need(2)) return mergeSheetsCommand(args);
    if (command == "find" && need(4)) return findCommand(args);
    if (command == "clear" && need(5)) return clearCommand(args);
    if (command == "convert" && need(2)) return convertCommand(args);
    if (command == "save-as" && need(2)) return saveAs(args);
    std::fputs(kUsage, stderr);
    return kExitRefused;
}

} // namespace

int main(int argc, char** argv) {
    // Workbooks are read and dropped one after another: keep freed memory for the next one instead of returning
    // it to the system and faulting it in again (a folder conversion otherwise spends a quarter of its time so).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitRefused : kExitDone;
    }
    // --quiet may stand anywhere among the arguments; it holds for the whole run.
    std::vector<char*> args(argv, argv + argc);
    const auto quiet = std::remove_if(args.begin() + 1, args.end(), [](const char* a) { return std::strcmp(a, "--quiet") == 0; });
    cli::ConsoleHost::setQuietRun(quiet != args.end());
    args.erase(quiet, args.end());
    argc = int(args.size());
    argv = args.data();
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitRefused;
    }
    try {
        return run(argv[1], parseArgs(argc, argv, 2));
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "错误：%s\n", error.what());
        return kExitFailed;
    }
}
