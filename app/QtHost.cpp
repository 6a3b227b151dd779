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

std::optional<framework::PasswordAnswer> QtHost::askPassword(const framework::PasswordQuestion& question) {
    return PasswordDialog::ask(m_owner, question);
}

void QtHost::pumpEvents() {
    QCoreApplication::processEvents();
}

} // namespace tabrix::app
