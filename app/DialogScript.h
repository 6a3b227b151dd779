#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace tabrix::app {

/// Where every modal dialog of the window is answered. Normally the user answers; a test switches to scripted
/// answers so that no dialog ever blocks an offscreen run, and reads back what would have been shown. A dialog
/// without a scripted answer is cancelled (file and folder dialogs, the replace prompt) or acknowledged (messages).
class DialogScript {
public:
    enum class Kind { Open, Save, Folder, Message, Confirm, Password };
    struct Shown {
        Kind kind;
        QString title;
        QString text; ///< the message, or the file filter of a file dialog
        QString folder; ///< where a file or folder dialog opens (empty: where the platform starts)
    };

    static void start();
    static void stop();
    static bool active();

    static void answerFile(std::optional<QString> path);
    static void answerFolder(std::optional<QString> path);
    static void answerConfirm(bool ok);
    /// The next password question: the text typed (nullopt: 取消) and whether "后面的文件使用同一密码" is ticked.
    static void answerPassword(std::optional<QString> password, bool sameForNext = false);
    static const std::vector<Shown>& shown();
    /// The messages and prompts only, without the file dialogs.
    static std::vector<Shown> messages();
    static void clearShown();

    // For the dialogs themselves.
    static std::optional<QString> takeFile(Kind kind, const QString& title, const QString& filter,
                                           const QString& folder = {});
    static std::optional<QString> takeFolder(const QString& folder = {});
    static bool takeConfirm(const QString& text, const QString& title);
    static void recordMessage(const QString& text, const QString& title);
    struct PasswordReply {
        QString password;
        bool sameForNext = false;
    };
    /// Records the question (text: what the dialog shows) and gives the scripted reply; nullopt cancels.
    static std::optional<PasswordReply> takePassword(const QString& text, const QString& title);
};

} // namespace tabrix::app
