#include "cli/CellDump.h"
#include "cli/CommandHelp.h"
#include "cli/ConsoleHost.h"
#include "cli/PairsOption.h"

#include "convert/ConvertFolder.h"
#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "analysis/ClearData.h"
#include "analysis/CompareSheets.h"
#include "analysis/FindData.h"
#include "framework/ColumnLetters.h"
#include "framework/PasswordQuestions.h"
#include "framework/SheetListing.h"
#include "framework/SourceCheck.h"
#include "merge/MergeFolder.h"
#include "merge/MergeSheets.h"
#include "split/SplitColumn.h"
#include "split/SplitSheets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <optional>
#include <string>
#include <vector>

using namespace tabrix;

namespace {

constexpr int kExitDone = 0, kExitRefused = 1, kExitFailed = 2;

int exitCode(framework::Outcome outcome) {
    switch (outcome) {
    case framework::Outcome::Done:
        return kExitDone;
    case framework::Outcome::Failed:
        return kExitFailed;
    default:
        return kExitRefused;
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
    std::string ext;
    std::string toFolder;
    std::string toBook;
    std::optional<std::string> pairs;
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
        else if (a == "--ext" && i + 1 < argc)
            args.ext = argv[++i];
        else if (a == "--to-folder" && i + 1 < argc)
            args.toFolder = argv[++i];
        else if (a == "--to-book" && i + 1 < argc)
            args.toBook = argv[++i];
        else if (a == "--password-file" && i + 1 < argc)
            cli::ConsoleHost::setPasswordFile(argv[++i]);
        else if (a == "--pairs" && i + 1 < argc)
            args.pairs = argv[++i];
        else if (a.rfind("--pairs=", 0) == 0)
            args.pairs = a.substr(8);
        else if (a.rfind("--to=", 0) == 0)
            args.to = a.substr(5);
        else if (a.rfind("--", 0) == 0)
            args.flags.push_back(a);
        else
            args.positional.push_back(a);
    }
    return args;
}

// Opens a workbook for the inspection commands; what a file really is, when its name says otherwise, goes to
// stderr so that the listing or dump on stdout stays clean.
engine::Workbook& openNoting(engine::Application& app, const std::string& path) {
    static cli::ConsoleHost host("", false);
    framework::askPasswordsThrough(host, app);
    engine::Workbook& book = app.Workbooks().Open(path);
    if (auto note = engine::contentNote(path, book.content(), book.tableStartRow()))
        std::fprintf(stderr, "%s\n", note->c_str());
    return book;
}

int listSheets(const std::string& path) {
    engine::Application app;
    engine::Workbook& book = openNoting(app, path);
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i)
        std::printf("%s\n", book.Worksheets(i).Name().c_str());
    return kExitDone;
}

int listColumns(const std::string& path, const std::string& sheet) {
    cli::ConsoleHost host("", false);
    const long n = framework::usedColumnCount(path, sheet, &host);
    for (long c = 1; c <= n; ++c)
        std::printf("%s\n", framework::columnLetter(long(c)).c_str());
    return kExitDone;
}

int dump(const std::string& path, const std::string& sheet) {
    engine::Application app;
    engine::Workbook& book = openNoting(app, path);
    cli::dumpWorkbook(book, sheet, stdout);
    return kExitDone;
}

int mergeSheetsCommand(const Args& args) {
    merge::MergeSheetsPage page;
    page.sourcePath = args.positional[0];
    page.startRowText = args.startRow;
    page.sheetNameColumn = args.has("--sheet-name-column");
    page.byHeader = args.has("--by-header");
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
    analysis::ClearDataPage page{p[0], p[1], p[2], p[3], extensionOf(p[4]), args.has("--lenient")};
    cli::ConsoleHost host(p[4], args.has("--overwrite"));
    return exitCode(analysis::clearDataAction(host, page));
}

int compareCommand(const Args& args) {
    const auto& p = args.positional;
    analysis::ComparePage page{p[0], p[1], p[2], p[3], false, {}, extensionOf(p[4])};
    page.changes = args.has("--changes");
    page.lenient = args.has("--lenient");
    if (args.pairs) {
        std::string problem;
        auto pairs = cli::parsePairs(*args.pairs, problem);
        if (!pairs) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return kExitRefused;
        }
        page.enhanced = true;
        page.pairs = std::move(*pairs);
    }
    cli::ConsoleHost host(p[4], args.has("--overwrite"));
    return exitCode(analysis::compareSheetsAction(host, page));
}

// The extension of a path without its dot ("" when it has none).
std::string rawExtension(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

// The working extension of a split or a folder merge: --ext, else the given path's extension; only xls and xlsx are offered.
std::optional<std::string> workingExtension(const Args& args, const std::string& fallbackPath) {
    const std::string ext = args.ext.empty() ? rawExtension(fallbackPath) : args.ext;
    if (ext == "xls" || ext == "xlsx") return ext;
    std::fprintf(stderr, "工作簿格式只能是 xls 或 xlsx（--ext），而不是“%s”\n", ext.c_str());
    return std::nullopt;
}

// The folder browser only offers folders that exist; on the command line a missing one is made.
bool ensureFolder(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return true;
    std::fprintf(stderr, "无法创建文件夹“%s”：%s\n", folder.c_str(), ec.message().c_str());
    return false;
}

int mergeFolderCommand(const Args& args) {
    const auto ext = workingExtension(args, args.positional[1]);
    if (!ext) return kExitRefused;
    merge::MergeFolderPage page{args.positional[0], args.has("--as-sheets"), args.startRow, args.has("--name-columns"),
                                *ext, args.has("--by-header")};
    cli::ConsoleHost host(args.positional[1], args.has("--overwrite"));
    return exitCode(merge::mergeFolderAction(host, page));
}

int splitSheetsCommand(const Args& args) {
    const auto ext = workingExtension(args, args.positional[0]);
    if (!ext) return kExitRefused;
    if (!ensureFolder(args.positional[1])) return kExitFailed;
    split::SplitSheetsPage page{args.positional[0], *ext};
    cli::ConsoleHost host("", false);
    host.setFolder(args.positional[1]);
    return exitCode(split::splitSheetsAction(host, page));
}

// Column letters to their number (0 when the text is not column letters).
long columnNumber(const std::string& letters) {
    long n = 0;
    for (char ch : letters) {
        const char c = char(std::toupper(static_cast<unsigned char>(ch)));
        if (c < 'A' || c > 'Z' || n > 100000) return 0;
        n = n * 26 + (c - 'A' + 1);
    }
    return n;
}

int splitColumnCommand(const Args& args) {
    if (args.toFolder.empty() == args.toBook.empty()) {
        std::fputs("split-column 需要 --to-folder DIR 或 --to-book OUT 之一\n", stderr);
        return kExitRefused;
    }
    const bool toBook = !args.toBook.empty();
    const auto ext = workingExtension(args, toBook ? args.toBook : args.positional[0]);
    if (!ext) return kExitRefused;
    split::SplitColumnPage page;
    page.sourcePath = args.positional[0];
    page.sheet = args.positional[1];
    page.mode = toBook ? 1 : 0;
    page.dropColumn = args.has("--drop-column");
    page.extension = *ext;
    // The split itself refuses a column past the worksheet's last used one, as the page offers none.
    const long column = columnNumber(args.positional[2]);
    page.columnChosen = column >= 1;
    page.column = page.columnChosen ? framework::columnLetter(column) : args.positional[2];
    if (!toBook && !ensureFolder(args.toFolder)) return kExitFailed;
    cli::ConsoleHost host(args.toBook, args.has("--overwrite"));
    host.setFolder(args.toFolder);
    return exitCode(split::splitColumnAction(host, page));
}

int saveAs(const Args& args) {
    std::optional<engine::XlFileFormat> format;
    if (args.to == "xlsx") format = engine::XlFileFormat::OpenXmlWorkbook;
    if (args.to == "xls") format = engine::XlFileFormat::Excel8;
    engine::Application app;
    engine::Workbook& book = openNoting(app, args.positional[0]);
    book.SaveAs(args.positional[1], 1, format);
    for (const auto& warning : book.saveWarnings())
        std::printf("%s\n", warning.c_str());
    if (book.HasPassword()) std::printf("已按原密码加密保存\n");
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
    if (command == "merge-folder" && need(2)) return mergeFolderCommand(args);
    if (command == "find" && need(4)) return findCommand(args);
    if (command == "compare" && need(5)) return compareCommand(args);
    if (command == "clear" && need(5)) return clearCommand(args);
    if (command == "split-sheets" && need(2)) return splitSheetsCommand(args);
    if (command == "split-column" && need(3)) return splitColumnCommand(args);
    if (command == "convert" && need(2)) return convertCommand(args);
    if (command == "save-as" && need(2)) return saveAs(args);
    const cli::CommandHelp* help = cli::helpFor(command);
    std::fputs((help ? cli::commandText(*help) : cli::overview()).c_str(), stderr);
    return kExitRefused;
}

bool isHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

// --help, COMMAND --help, --version and the manual page (made at build time from the same texts); nullopt when
// the arguments ask for none of these.
std::optional<int> answerAboutTheProgram(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(cli::overview().c_str(), stderr);
        return kExitRefused;
    }
    if (isHelp(argv[1])) {
        std::fputs(cli::overview().c_str(), stdout);
        return kExitDone;
    }
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
        std::printf("tabrix-cli %s\n", TABRIX_VERSION);
        return kExitDone;
    }
    if (std::strcmp(argv[1], "--man") == 0) {
        std::fputs(cli::manPage(TABRIX_VERSION).c_str(), stdout);
        return kExitDone;
    }
    for (int i = 2; i < argc; ++i)
        if (isHelp(argv[i])) {
            const cli::CommandHelp* help = cli::helpFor(argv[1]);
            std::fputs((help ? cli::commandText(*help) : cli::overview()).c_str(), help ? stdout : stderr);
            return help ? kExitDone : kExitRefused;
        }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // Workbooks are read and dropped one after another: keep freed memory for the next one instead of returning
    // it to the system and faulting it in again (a folder conversion otherwise spends a quarter of its time so).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // --quiet may stand anywhere among the arguments; it holds for the whole run.
    std::vector<char*> args(argv, argv + argc);
    const auto quiet =
        std::remove_if(args.begin() + 1, args.end(), [](const char* a) { return std::strcmp(a, "--quiet") == 0; });
    cli::ConsoleHost::setQuietRun(quiet != args.end());
    args.erase(quiet, args.end());
    argc = int(args.size());
    argv = args.data();
    if (auto answered = answerAboutTheProgram(argc, argv)) return *answered;
    try {
        return run(argv[1], parseArgs(argc, argv, 2));
    } catch (const engine::PasswordNotGivenError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", error.what());
        return kExitRefused;
    } catch (const engine::MissingSheetError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", error.what());
        return kExitRefused;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "错误：%s\n", error.what());
        return kExitFailed;
    }
}
