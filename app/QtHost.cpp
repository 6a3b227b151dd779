#include "app/QtHost.h"

#include "app/CommonDialog.h"
#include "app/DialogScript.h"
#include "app/FolderMemory.h"
#include "app/PasswordDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

namespace tabrix::app {

namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}

int runBox(QWidget* owner, const QString& text, const QString& title, bool withCancel) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText("确定");
    if (withCancel) {
        box.addButton(QMessageBox::Cancel)->setText("取消");
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}
} // namespace

void showMessage(QWidget* owner, const QString& text, const QString& title) {
    if (DialogScript::active()) return DialogScript::recordMessage(text, title);
    runBox(owner, text, title, false);
}

bool askOkCancel(QWidget* owner, const QString& text, const QString& title) {
    if (DialogScript::active()) return DialogScript::takeConfirm(text, title);
    return runBox(owner, text, title, true) == QMessageBox::Ok;
}

QString browseForFolder(QWidget* owner) {
    auto* memory = owner ? owner->findChild<FolderMemory*>() : nullptr;
    const QString start = memory ? memory->startFolder() : QString();
    const QString folder = DialogScript::active() ? DialogScript::takeFolder(start).value_or(QString()).trimmed()
                                                  : QFileDialog::getExistingDirectory(owner, {}, start).trimmed();
    if (memory && !folder.isEmpty()) memory->remember(folder);
    return folder;
}

QtHost::QtHost(QWidget* owner, QPlainTextEdit* logBox, CommonDialog& cmd) : m_owner(owner), m_log(logBox), m_cmd(cmd) {}

void QtHost::scrollToEnd() {
    m_log->moveCursor(QTextCursor::End);
    m_log->ensureCursorVisible();
}

void QtHost::resetLog(const std::string& text) {
    m_log->setPlainText(q(text));
    m_progressShown = false;
    scrollToEnd();
}

void QtHost::appendLog(const std::string& line) {
    m_log->appendPlainText(q(line));
    m_progressShown = false;
    scrollToEnd();
}

void QtHost::progressLog(const std::string& line) {
    if (!m_progressShown) {
        appendLog(line);
        m_progressShown = true;
        return;
    }
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(q(line));
    scrollToEnd();
}

void QtHost::message(const std::string& text, const std::string& title) {
    showMessage(m_owner, q(text), q(title));
}

bool QtHost::confirm(const std::string& text, const std::string& title) {
    return askOkCancel(m_owner, q(text), q(title));
}

std::optional<std::string> QtHost::fileDialog(const framework::FileDialogRequest& request, bool save) {
    m_cmd.setCancelError(true);
    if (request.title) m_cmd.setDialogTitle(q(*request.title));
    m_cmd.setFilter(q(request.filter));
    m_cmd.setFileName({});
    try {
        save ? m_cmd.showSave() : m_cmd.showOpen();
    } catch (const DialogCancelled&) {
        return std::nullopt;
    }
    return m_cmd.fileName().toStdString();
}

std::optional<std::string> QtHost::openFileDialog(const framework::FileDialogRequest& request) {
    return fileDialog(request, false);
}

std::optional<std::string> QtHost::saveFileDialog(const framework::FileDialogRequest& request) {
    return fileDialog(request, true);
}

std::optional<std::string> QtHost::browseFolder() {
    const QString folder = browseForFolder(m_owner);
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

// A page asks for a workbook twice (listing its sheets, then running the operation), and the user may run several
// operations on it: the password typed for a file is kept in memory, for that file only, while the window is open,
// and tried before the question. If it no longer fits, it is forgotten and the user is asked as if for the first time.
std::optional<framework::PasswordAnswer> QtHost::askPassword(const framework::PasswordQuestion& question) {
    framework::PasswordQuestion asked = question;
    auto known = m_knownPasswords.find(question.file);
    if (known != m_knownPasswords.end()) {
        if (!question.wrongBefore) {
            m_answeredFromMemory = question.file;
            return framework::PasswordAnswer{known->second, false};
        }
        if (m_answeredFromMemory == question.file) {
            m_knownPasswords.erase(known);
            asked.wrongBefore = false; // what failed was the remembered password, not anything the user typed
        }
    }
    m_answeredFromMemory.clear();
    auto answer = PasswordDialog::ask(m_owner, asked);
    if (answer) {
        m_knownPasswords.erase(question.file);
        m_knownPasswords.emplace(question.file, answer->password);
    }
    return answer;
}

void QtHost::pumpEvents() {
    QCoreApplication::processEvents();
}

} // namespace tabrix::app
