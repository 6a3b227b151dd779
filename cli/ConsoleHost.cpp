#include "cli/ConsoleHost.h"

#include "engine/EngineError.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace tabrix::cli {

namespace {
bool quietRun = false;
std::string passwordFile;

// One line from the terminal with echo off; nullopt at the end of input.
std::optional<std::string> readHidden() {
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool got = bool(std::getline(std::cin, line));
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// A Password made from a string that is wiped at once.
engine::crypto::Password taken(std::string& text) {
    engine::crypto::Password password(text);
    engine::crypto::wipe(text.data(), text.size());
    return password;
}
} // namespace

void ConsoleHost::setPasswordFile(std::string path) {
    passwordFile = std::move(path);
}

std::optional<framework::PasswordAnswer> ConsoleHost::askPassword(const framework::PasswordQuestion& question) {
    endProgress();
    std::fflush(stdout);
    // Given for the whole run: a wrong one cannot get better by asking again.
    const char* source = !passwordFile.empty() ? "--password-file 给出的密码" : "环境变量 TABRIX_PASSWORD 给出的密码";
    const char* env = std::getenv("TABRIX_PASSWORD");
    if (!passwordFile.empty() || env) {
        if (question.wrongBefore) throw engine::PasswordNotGivenError(question.file + ": 密码不正确（" + source + "）");
        std::string line;
        if (!passwordFile.empty()) {
            std::ifstream in(passwordFile, std::ios::binary);
            if (!in) throw engine::PasswordNotGivenError("无法读取密码文件“" + passwordFile + "”");
            std::getline(in, line);
            if (!line.empty() && line.back() == '\r') line.pop_back();
        } else {
            line = env;
        }
        return framework::PasswordAnswer{taken(line), false};
    }
    if (!isatty(STDIN_FILENO))
        throw engine::PasswordNotGivenError(
            question.file + ": 工作簿设有密码。请在终端上运行以输入密码，或用 --password-file 文件（密码写在第一行）"
                            "或环境变量 TABRIX_PASSWORD 给出密码（密码不能写在命令行上）");
    if (question.wrongBefore) std::fputs("密码不正确\n", stderr);
    std::fprintf(stderr, "“%s”的密码：", question.file.c_str());
    std::fflush(stderr);
    auto line = readHidden();
    if (!line) return std::nullopt;
    framework::PasswordAnswer answer{taken(*line), false};
    if (question.offerSameForNext) {
        std::fputs("后面的文件先试这个密码吗？[y/N] ", stderr);
        std::string reply;
        std::getline(std::cin, reply);
        answer.sameForNext = !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y');
    }
    return answer;
}

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
