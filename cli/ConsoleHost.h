#pragma once

#include "cli/ProgressBar.h"
#include "framework/Host.h"

#include <string>

namespace tabrix::cli {

/// The Host of the command line: log lines and messages are printed; the save dialog "returns" the target given
/// on the command line, and the replace prompt answers from --overwrite.
class ConsoleHost : public framework::Host {
public:
    ConsoleHost(std::string saveTarget, bool overwrite);
    /// The folder the folder browser "returns" (none by default: the browser counts as cancelled).
    void setFolder(std::string folder) { m_folder = std::move(folder); }

    /// Quiet (--quiet, for scripts): no log lines and no progress, only the messages. Set once for the run,
    /// before any host is made.
    static void setQuietRun(bool quiet);
    /// --password-file: the file whose first line is the password of protected workbooks. Set once for the run.
    static void setPasswordFile(std::string path);

    void resetLog(const std::string& text) override;
    void appendLog(const std::string& line) override;
    void progressLog(const std::string& line) override;
    void message(const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
    std::optional<std::string> openFileDialog(const framework::FileDialogRequest& request) override;
    std::optional<std::string> saveFileDialog(const framework::FileDialogRequest& request) override;
    std::optional<std::string> browseFolder() override;
    void pumpEvents() override;
    /// From --password-file, else TABRIX_PASSWORD, else asked on the terminal without echo; with none of those
    /// (a pipe), refused with a message saying how to give the password.
    std::optional<framework::PasswordAnswer> askPassword(const framework::PasswordQuestion& question) override;
    void progress(uint64_t done, uint64_t total) override;

private:
    std::string m_saveTarget;
    std::string m_folder;
    bool m_overwrite;
    bool m_progressShown = false;
    bool m_stderrIsTerminal;
    bool m_quiet = false;
    ProgressBar m_bar;
    void endProgress();
    void drawProgress();
};

} // namespace tabrix::cli
