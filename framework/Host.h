#pragma once

#include "engine/crypto/Secret.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tabrix::framework {

/// What an open or save dialog is asked to show. The filter is in the form "label(*.ext)|*.ext".
struct FileDialogRequest {
    std::optional<std::string> title; ///< nullopt keeps the title the shared dialog showed last
    std::string filter;
};

/// A question for the password of a protected workbook.
struct PasswordQuestion {
    std::string file;              ///< the workbook's path, named in the question
    bool wrongBefore = false;      ///< the last answer for this file was wrong ("密码不正确")
    bool offerSameForNext = false; ///< a folder operation: the answer may be used for the files after this one
};

struct PasswordAnswer {
    engine::crypto::Password password;
    bool sameForNext = false; ///< try this password first on the next files
};

/// Everything an operation needs from the window: the log box, message boxes, dialogs and the event pump.
/// The window, the command line and the tests each provide one.
class Host {
public:
    virtual ~Host() = default;

    /// Replaces the whole log text.
    virtual void resetLog(const std::string& text) = 0;
    /// Appends a line break and the line, and shows the end of the log.
    virtual void appendLog(const std::string& line) = 0;
    /// Like appendLog, but a following progress line replaces this one instead of piling up.
    virtual void progressLog(const std::string& line) = 0;

    /// A modal message with an OK button.
    virtual void message(const std::string& text, const std::string& title) = 0;
    /// A modal question with OK and Cancel; true for OK.
    virtual bool confirm(const std::string& text, const std::string& title) = 0;

    /// The chosen file, or nullopt when the user cancelled.
    virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;
    /// The chosen folder, or nullopt when cancelled.
    virtual std::optional<std::string> browseFolder() = 0;

    /// Asks for a protected workbook's password; nullopt when the user cancelled. A host that cannot ask may
    /// throw engine::PasswordNotGivenError saying how to give one.
    virtual std::optional<PasswordAnswer> askPassword(const PasswordQuestion& question) {
        (void)question;
        return std::nullopt;
    }

    /// Lets pending window events run (repaint, the log growing).
    virtual void pumpEvents() = 0;

    /// How far a long operation has come (files, rows or parts done of total), for a progress bar where the
    /// host has one; the log lines stay as they are. Hosts without a bar ignore it.
    virtual void progress(uint64_t done, uint64_t total) {
        (void)done;
        (void)total;
    }
};

/// How an action ended, for the command line's exit code.
enum class Outcome { Done, Refused, Cancelled, Failed };

} // namespace tabrix::framework
