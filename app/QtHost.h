#pragma once

#include "framework/Host.h"

#include <QString>

#include <map>
#include <string>

class QPlainTextEdit;
class QWidget;

namespace tabrix::app {

class CommonDialog;

/// The Host of the window: the log box `Text_inf`, modal message boxes owned by the window, the shared dialog
/// `cmd` for files and the folder browser. Every dialog goes through DialogScript, so tests can answer them.
class QtHost : public framework::Host {
public:
    QtHost(QWidget* owner, QPlainTextEdit* logBox, CommonDialog& cmd);

    void resetLog(const std::string& text) override;
    void appendLog(const std::string& line) override;
    void progressLog(const std::string& line) override;
    void message(const std::string& text, const std::string& title) override;
    bool confirm(const std::string& text, const std::string& title) override;
    std::optional<std::string> openFileDialog(const framework::FileDialogRequest& request) override;
    std::optional<std::string> saveFileDialog(const framework::FileDialogRequest& request) override;
    std::optional<std::string> browseFolder() override;
    void pumpEvents() override;
    std::optional<framework::PasswordAnswer> askPassword(const framework::PasswordQuestion& question) override;

private:
    std::optional<std::string> fileDialog(const framework::FileDialogRequest& request, bool save);
    void scrollToEnd();
    QWidget* m_owner;
    QPlainTextEdit* m_log;
    CommonDialog& m_cmd;
    bool m_progressShown = false;
    std::map<std::string, engine::crypto::Password> m_knownPasswords; ///< the last password typed for each file
    std::string m_answeredFromMemory; ///< the file whose last question was answered from m_knownPasswords
};

/// A modal message with only an OK button, or OK and Cancel (true for OK), in the window's own words.
void showMessage(QWidget* owner, const QString& text, const QString& title);
bool askOkCancel(QWidget* owner, const QString& text, const QString& title);
/// The folder browser owned by the window: the chosen folder, or an empty text when cancelled.
QString browseForFolder(QWidget* owner);

} // namespace tabrix::app
