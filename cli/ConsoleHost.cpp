#include "cli/ConsoleHost.h"

#include <cstdio>
#include <unistd.h>

namespace tabrix::cli {

namespace {
bool quietRun = false;
} // namespace

void ConsoleHost::setQuietRun(bool quiet) {
    quietRun = quiet;
}

ConsoleHost::ConsoleHost(std::string saveTarget, bool overwrite)
    : m_saveTarget(std::move(saveTarget)), m_overwrite(overwrite), m_stderrIsTerminal(isatty(STDERR_FILENO) != 0),
      m_quiet(quietRun) {}

void ConsoleHost::endProgress() {
    if (m_progressShown) std::fputs("\n", stderr);
    m_progressShown = false;
}

void ConsoleHost::resetLog(const std::string& text) {
    if (m_quiet) return;
    endProgress();
    std::printf("%s\n", text.c_str());
}

void ConsoleHost::appendLog(const std::string& line) {
    if (m_quiet) return;
    endProgress();
    std::printf("%s\n", line.c_str());
}

// The progress line is rewritten in place on a terminal; in a pipe or a file it would only pile up, so nothing
// extra is written there.
void ConsoleHost::progressLog(const std::string& line) {
    m_bar.setText(line);
    drawProgress();
}

void ConsoleHost::progress(uint64_t done, uint64_t total) {
    if (m_bar.update(done, total)) drawProgress();
}

void ConsoleHost::drawProgress() {
    if (!m_stderrIsTerminal || m_quiet) return;
    std::fflush(stdout);
    std::fprintf(stderr, "\r\033[K%s", m_bar.line().c_str());
    std::fflush(stderr);
    m_progressShown = true;
}

void ConsoleHost::message(const std::string& text, const std::string& title) {
    endProgress();
    std::printf("[%s] %s\n", title.c_str(), text.c_str());
}

bool ConsoleHost::confirm(const std::string& text, const std::string& title) {
    endProgress();
    std::printf("[%s] %s %s\n", title.c_str(), text.c_str(),
                m_overwrite ? "(--overwrite：替换)" : "(未给出 --overwrite：不替换)");
    return m_overwrite;
}

std::optional<std::string> ConsoleHost::openFileDialog(const framework::FileDialogRequest&) {
    return std::nullopt;
}

std::optional<std::string> ConsoleHost::saveFileDialog(const framework::FileDialogRequest&) {
    if (m_saveTarget.empty()) return std::nullopt;
    return m_saveTarget;
}

std::optional<std::string> ConsoleHost::browseFolder() {
    if (m_folder.empty()) return std::nullopt;
    return m_folder;
}

void ConsoleHost::pumpEvents() {
    std::fflush(stdout);
}

} // namespace tabrix::cli
