#include "app/DialogScript.h"

#include <deque>

namespace tabrix::app {

namespace {
struct Script {
    bool active = false;
    // A null text stands for a cancelled dialog.
    std::deque<QString> files, folders;
    std::deque<bool> confirms;
    // A null password stands for 取消.
    std::deque<DialogScript::PasswordReply> passwords;
    std::vector<DialogScript::Shown> shown;
};

Script& script() {
    static Script s;
    return s;
}

bool takeConfirmAnswer(std::deque<bool>& queue) {
    if (queue.empty()) return false;
    const bool value = queue.front();
    queue.pop_front();
    return value;
}

std::optional<QString> takePath(std::deque<QString>& queue) {
    if (queue.empty()) return std::nullopt;
    const QString value = queue.front();
    queue.pop_front();
    if (value.isNull()) return std::nullopt;
    return value;
}
} // namespace

void DialogScript::start() {
    script() = Script{true, {}, {}, {}, {}, {}};
}
void DialogScript::stop() {
    script() = Script{};
}
bool DialogScript::active() {
    return script().active;
}

void DialogScript::answerFile(std::optional<QString> path) {
    script().files.push_back(path.value_or(QString()));
}
void DialogScript::answerFolder(std::optional<QString> path) {
    script().folders.push_back(path.value_or(QString()));
}
void DialogScript::answerPassword(std::optional<QString> password, bool sameForNext) {
    script().passwords.push_back(PasswordReply{password.value_or(QString()), sameForNext});
}
void DialogScript::answerConfirm(bool ok) {
    script().confirms.push_back(ok);
}
const std::vector<DialogScript::Shown>& DialogScript::shown() {
    return script().shown;
}
void DialogScript::clearShown() {
    script().shown.clear();
}

std::vector<DialogScript::Shown> DialogScript::messages() {
    std::vector<Shown> out;
    for (const auto& s : script().shown)
        if (s.kind == Kind::Message || s.kind == Kind::Confirm || s.kind == Kind::Password) out.push_back(s);
    return out;
}

std::optional<QString> DialogScript::takeFile(Kind kind, const QString& title, const QString& filter,
                                              const QString& folder) {
    script().shown.push_back({kind, title, filter, folder});
    return takePath(script().files);
}

std::optional<QString> DialogScript::takeFolder(const QString& folder) {
    script().shown.push_back({Kind::Folder, {}, {}, folder});
    return takePath(script().folders);
}

bool DialogScript::takeConfirm(const QString& text, const QString& title) {
    script().shown.push_back({Kind::Confirm, title, text});
    return takeConfirmAnswer(script().confirms);
}

std::optional<DialogScript::PasswordReply> DialogScript::takePassword(const QString& text, const QString& title) {
    script().shown.push_back({Kind::Password, title, text});
    auto& queue = script().passwords;
    if (queue.empty()) return std::nullopt;
    const PasswordReply reply = queue.front();
    queue.pop_front();
    if (reply.password.isNull()) return std::nullopt;
    return reply;
}

void DialogScript::recordMessage(const QString& text, const QString& title) {
    script().shown.push_back({Kind::Message, title, text});
}

} // namespace tabrix::app
