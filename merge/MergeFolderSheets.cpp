#include "merge/MergeFolder.h"

#include "merge/Headings.h"
#include "merge/MergeMessages.h"
#include "merge/MergeSheets.h"
#include "merge/WorksheetStack.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"
#include "framework/ContentNote.h"
#include "framework/Failure.h"
#include "framework/FolderScan.h"
#include "framework/PasswordQuestions.h"

#include <filesystem>
#include <optional>
#include <random>
#include <span>

namespace fs = std::filesystem;

namespace tabrix::merge {

using namespace tabrix::engine;
using framework::Outcome;

namespace {
// The base workbook's copy while the merge runs: beside the target (so the final rename stays on one disk),
// hidden, and removed on every way out unless it became the result.
class PendingResult {
public:
    explicit PendingResult(const std::string& target) : m_target(target) {
        const fs::path t(target);
        const fs::path dir = t.has_parent_path() ? t.parent_path() : fs::path(".");
        m_path = (dir / ("." + t.filename().string() + ".tabrix-" + std::to_string(std::random_device()()) +
                         t.extension().string()))
                     .string();
    }
    ~PendingResult() {
        std::error_code ec;
        if (!m_done) fs::remove(m_path, ec);
    }
    PendingResult(const PendingResult&) = delete;
    PendingResult& operator=(const PendingResult&) = delete;

    const std::string& path() const { return m_path; }
    void copyFrom(const std::string& base, const std::string& baseName) {
        std::error_code ec;
        fs::copy_file(base, m_path, fs::copy_options::overwrite_existing, ec);
        if (ec) throw EngineError("无法复制文件“" + baseName + "”到" + m_target + "（" + ec.message() + "）");
    }
    /// Saves the result under its temporary name, then gives it the target's name.
    void save(Workbook& result) {
        try {
            result.Save();
        } catch (const std::exception& error) {
            std::string message = error.what();
            for (size_t at; (at = message.find(m_path)) != std::string::npos;) message.replace(at, m_path.size(), m_target);
            throw EngineError(message);
        }
        std::error_code ec;
        fs::rename(m_path, m_target, ec);
        if (ec) throw EngineError(m_target + ": 保存失败，无法写入目标文件（" + ec.message() + "）");
        m_done = true;
    }

private:
    std::string m_target, m_path;
    bool m_done = false;
};

// The base copy is read under its temporary name; a failure names the folder's file instead.
Workbook& openBase(Application& app, const PendingResult& pending, const std::string& base, const std::string& name) {
    try {
        return app.Workbooks().Open(pending.path());
    } catch (const PasswordNotGivenError& error) {
        std::string reason = error.what();
        for (size_t at; (at = reason.find(pending.path())) != std::string::npos;)
            reason.replace(at, pending.path().size(), base);
        throw PasswordNotGivenError(reason);
    } catch (const std::exception& error) {
        std::string reason = error.what();
        for (size_t at; (at = reason.find(pending.path())) != std::string::npos;)
            reason.replace(at, pending.path().size(), base);
        throw EngineError("无法读取文件“" + name + "”：" + reason);
    }
}

// A worksheet's heading row, as far as its used range reaches.
std::vector<std::string> headingsOf(Worksheet& sheet) {
    return headingRow(sheet, long(sheet.UsedRange().Cells().Columns().Count()));
}

// Every worksheet of one workbook after the result's last sheet; chart sheets are passed over. With the base
// workbook's first headings given, each worksheet's heading row is checked against them and a difference logged.
void appendWorksheets(framework::Host& host, Workbook& book, const std::string& file, Workbook& result,
                      const std::vector<std::string>* firstHeadings, int& otherHeadings) {
    const int count = book.Worksheets().Count();
    for (int i = 1; i <= count; ++i) {
        Worksheet& sheet = book.Worksheets(i);
        host.appendLog("正在复制文件“" + file + "”中的工作表“" + sheet.Name() + "”数据");
        if (firstHeadings) {
            const std::string difference = headingDifference(*firstHeadings, headingsOf(sheet));
            if (!difference.empty()) {
                ++otherHeadings;
                host.appendLog(headingDifferenceLine("文件“" + file + "”中的", sheet.Name(), difference));
            }
        }
        sheet.Copy(result.Sheets()(result.Sheets().Count()));
    }
    // The workbook stays open to the end of the merge, but its cells are no longer needed here.
    book.releaseCells();
}
} // namespace

Outcome mergeFolderAsSheets(framework::Host& host, const MergeFolderPage& page, const std::string& target) {
    try {
        const std::vector<std::string> files = folderWorkbooks(page);
        std::vector<std::string> paths;
        for (const auto& file : files) paths.push_back(framework::joinPath(page.folder, file));
        PendingResult pending(target);
        pending.copyFrom(paths.front(), files.front());
        Application app;
        framework::askPasswordsThrough(host, app, true);
        // The base is opened from its copy, but a password question names the file the user knows.
        app.setPasswordPrompt([ask = app.passwordPrompt(), &pending, &paths](engine::crypto::PasswordRequest request) {
            if (request.path == pending.path()) request.path = paths.front();
            return ask(request);
        });
        Workbook& result = openBase(app, pending, paths.front(), files.front());
        result.ClearPassword(); // the merged workbook is a new one, written unprotected
        framework::logContent(host, result, paths.front());
        // The start row says whether row 1 is a heading row; the base workbook's first worksheet sets the headings.
        std::optional<std::vector<std::string>> firstHeadings;
        if (leadingNumber(page.startRowText) > 1 && result.Worksheets().Count() > 0)
            firstHeadings = headingsOf(result.Worksheets(1));
        int otherHeadings = 0;
        for (size_t i = 1; i < files.size(); ++i) {
            app.Workbooks().ExpectOpens(std::span(paths).subspan(i));
            Workbook& book = openFolderWorkbook(app, paths[i], files[i]);
            framework::logContent(host, book);
            appendWorksheets(host, book, files[i], result, firstHeadings ? &*firstHeadings : nullptr, otherHeadings);
            host.progress(i + 1, files.size());
        }
        pending.save(result);
        reportMerged(host, target, result.saveWarnings(), otherHeadingsSentence(otherHeadings, false));
        app.Workbooks().Close();
        app.Quit();
        host.pumpEvents();
        return Outcome::Done;
    } catch (const std::exception& error) {
        return framework::reportFailure(host, "合并数据", error);
    }
}

} // namespace tabrix::merge
