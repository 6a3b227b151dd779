#pragma once

#include "framework/Host.h"

#include <deque>
#include <string>
#include <vector>

namespace tabrix::test {

/// A Host for tests: dialogs and prompts answer from queues set up in advance, and every log change, message
/// and dialog request is recorded so the test can compare them with what users must see.
class ScriptedHost : public framework::Host {
public:
    struct Message {
        std::string text, title;
    };

    std::deque<std::optional<std::string>> saveAnswers, openAnswers, folderAnswers;
    std::deque<bool> confirmAnswers;

    std::string log;
    std::vector<std::string> logLines;
    std::vector<Message> messages;
    std::vector<Message> prompts;
    std::vector<framework::FileDialogRequest> dialogs;
    int pumps = 0;

    void resetLog(const std::string& text) override {
        log = text;
        logLines = {text};
    }
    void appendLog(const std::string& line) override {
        log += "\r\n" + line;
        logLines.push_back(line);
    }
    void progressLog(const std::string& line) override { appendLog(line); }
    void message(const std::string& text, const std::string& title) override { messages.push_back({text, title}); }
    bool confirm(const std::string& text, const std::string& title) override {
        prompts.push_back({text, title});
        return take(confirmAnswers, false);
    }
    std::optional<std::string> openFileDialog(const framework::FileDialogRequest& r) override {
        dialogs.push_back(r);
        return take(openAnswers, std::optional<std::string>());
    }
    std::optional<std::string> saveFileDialog(const framework::FileDialogRequest& r) override {
        dialogs.push_back(r);
        return take(saveAnswers, std::optional<std::string>());
    }
    std::optional<std::string> browseFolder() override { return take(folderAnswers, std::optional<std::string>()); }
    void pumpEvents() override { ++pumps; }

private:
    template <typename T> static T take(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

} // namespace tabrix::test
