#include "cli/ConsoleHost.h"

#include <cstdio>
#include <unistd.h>

namespace tabrix::cli {

ConsoleHost::ConsoleHost(std::string saveTarget, bool overwrite)
    : m_saveTarget(std::move(saveTarget)), m_overwrite(overwrite), m_stderrIsTerminal(isatty(STDERR_FILENO) != 0) {}

void ConsoleHost::endProgress() {
    if (m_progressShown) std::fputs("\n", stderr);
    m_progressShown = false;
}

void ConsoleHost::resetLog(const std::string& text) {
    endProgress();
    std::printf("%s\n", text.c_str());
}

void ConsoleHost::appendLog(const std::string& line) {
    endProgress();
    std::printf("%s\n", line.c_str());
}

void ConsoleHost::progressLog(const std::string& line) {
    // A rewritten line on a terminal; nothing in a pipe, where it would only pile up.
    if (!m_stderrIsTerminal) return;
    std::fflush(stdout);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    m_progressShown = true;
}

void ConsoleHost::message(const std::string& text, const std::string& title) {
    endProgress();
    std::printf("[%s] %s\n", title.c_str(), text.c_str());
}

bool ConsoleHost::confirm(const std::string& text, const std::string& title) {
    endProgress();
    std::printf("[%s] %s %s\n", title.c_str(), text.c_str(), m_overwrite ? "(--overwrite：替换)" : "(未给出 --overwrite：不替换)");
    return m_overwrite;
}

std::optional<std::string> ConsoleHost::openFileDialog(const framework::FileDialogRequest&) { return std::nullopt; }

std::optional<std::string> ConsoleHost::saveFileDialog(const framework::FileDialogRequest&) {
    if (m_saveTarget.empty()) return std::nullopt;
    return m_saveTarget;
}

std::optional<std::string> ConsoleHost::browseFolder() { return std::nullopt; }

void ConsoleHost::pumpEvents() { std::fflush(stdout); }

} // namespace tabrix::cli
