#include "convert/ConvertFolder.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "framework/ContentNote.h"
#include "framework/Failure.h"
#include "framework/FolderScan.h"
#include "framework/PasswordQuestions.h"

#include <filesystem>

namespace tabrix::convert {

using framework::Outcome;

namespace {
constexpr const char* kNoSource = "转换前Excel所在文件夹中  没有找到excel文件";
constexpr const char* kTitleNotFound = "未找到";
constexpr const char* kTargetHasWorkbooks = "转换后要保存的文件夹 发现有excel文件，请选择一个空的文件夹！";
constexpr const char* kTargetMissing = "转换后要保存的文件夹 不存在，请重新选择一个空的文件夹！";
constexpr const char* kTitleChooseAgain = "重新选择";
constexpr const char* kAllDone = "所有转换完成！";
constexpr const char* kTitleDone = "转换完成";

bool lastThreeMatch(const std::string& name, const std::string& ext) {
    return name.size() >= 3 && name.compare(name.size() - 3, 3, ext.substr(ext.size() - 3)) == 0;
}

std::string targetName(const std::string& source, bool toXlsx) {
    return toXlsx ? source + "x" : source.substr(0, source.size() - 1);
}

// Converts one file; on failure the reason goes to the log and the file is counted as failed.
bool convertOne(framework::Host& host, engine::Application& app, const ConvertPage& page, const std::string& name) {
    try {
        engine::Workbook& book = app.Workbooks().Open(framework::joinPath(page.sourceFolder, name));
        framework::logContent(host, book);
        book.SaveAs(framework::joinPath(page.targetFolder, targetName(name, page.toXlsx)), 1,
                    page.toXlsx ? engine::XlFileFormat::OpenXmlWorkbook : engine::XlFileFormat::Excel8);
        const auto warnings = book.saveWarnings();
        const bool protectedResult = book.HasPassword();
        app.Workbooks().Close();
        host.pumpEvents();
        for (const auto& warning : warnings) host.appendLog("“" + name + "”：" + warning);
        if (protectedResult) host.appendLog("“" + name + "”已按原密码加密保存");
        host.appendLog("完成“" + name + "”转换");
        return true;
    } catch (const engine::PasswordNotGivenError&) {
        app.Workbooks().Close();
        throw; // the user declined: the conversion stops here
    } catch (const std::exception& error) {
        app.Workbooks().Close();
        host.pumpEvents();
        host.appendLog("未能转换“" + name + "”：" + error.what());
        return false;
    }
}
} // namespace

Outcome convertFolderAction(framework::Host& host, const ConvertPage& page) {
    const std::string from = page.toXlsx ? "xls" : "xlsx";
    const std::string to = page.toXlsx ? "xlsx" : "xls";
    const auto sources = framework::filesWithExtension(page.sourceFolder, from);
    if (sources.empty() || !lastThreeMatch(sources.front(), from)) {
        host.message(kNoSource, kTitleNotFound);
        return Outcome::Refused;
    }
    if (!framework::filesWithExtension(page.targetFolder, to).empty()) {
        host.message(kTargetHasWorkbooks, kTitleChooseAgain);
        return Outcome::Refused;
    }
    std::error_code ec;
    if (page.targetFolder.empty() || !std::filesystem::is_directory(page.targetFolder, ec)) {
        host.message(kTargetMissing, kTitleChooseAgain);
        return Outcome::Refused;
    }
    engine::Application app;
    framework::askPasswordsThrough(host, app, true);
    size_t failed = 0;
    // The files still to come are read in the background while earlier ones are saved.
    std::vector<std::string> paths;
    for (const auto& name : sources) paths.push_back(framework::joinPath(page.sourceFolder, name));
    for (size_t i = 0; i < sources.size(); ++i) {
        app.Workbooks().ExpectOpens(std::span(paths).subspan(i));
        try {
            failed += convertOne(host, app, page, sources[i]) ? 0 : 1;
        } catch (const engine::PasswordNotGivenError& error) {
            return framework::reportFailure(host, "转换", error);
        }
        host.progress(i + 1, sources.size());
    }
    app.Quit();
    if (failed == 0) {
        host.message(kAllDone, kTitleDone);
        return Outcome::Done;
    }
    host.message("转换结束：" + std::to_string(sources.size() - failed) + " 个文件已转换，" + std::to_string(failed) +
                     " 个文件未能转换（原因见处理信息）",
                 kTitleDone);
    return Outcome::Failed;
}

} // namespace tabrix::convert
