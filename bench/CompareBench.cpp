// Runs the comparison the compare page runs, in the window's code path (the same function the page's button
// calls, with a host that answers nothing and prints nothing but the final message), and prints its seconds.
//
//     CompareBench FIRST SHEET1 SECOND SHEET2 OUT [K1=K2,A1=A2...]
#include "analysis/CompareSheets.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace tabrix;

namespace {
// The window's host without a window: the log goes nowhere, messages are printed, dialogs are cancelled.
class QuietHost : public framework::Host {
public:
    void resetLog(const std::string&) override {}
    void appendLog(const std::string&) override {}
    void progressLog(const std::string& line) override { last = line; }
    void message(const std::string& text, const std::string& title) override {
        std::printf("[%s] %s\n", title.c_str(), text.c_str());
    }
    bool confirm(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> openFileDialog(const framework::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFileDialog(const framework::FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> browseFolder() override { return std::nullopt; }
    void pumpEvents() override {}
    std::string last;
};

std::vector<analysis::ColumnPair> pairsOf(const std::string& text) {
    std::vector<analysis::ColumnPair> pairs;
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t eq = item.find('=');
        pairs.push_back({item.substr(0, eq), item.substr(eq + 1)});
        start = comma + 1;
    }
    return pairs;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: CompareBench FIRST SHEET1 SECOND SHEET2 OUT [K1=K2,A1=A2...]\n");
        return 2;
    }
    analysis::ComparePage page{argv[1], argv[2], argv[3], argv[4], argc > 6, {}, "xlsx"};
    if (argc > 6) page.pairs = pairsOf(argv[6]);
    QuietHost host;
    std::remove(argv[5]);
    const auto start = std::chrono::steady_clock::now();
    const auto outcome = page.enhanced ? analysis::compareSheetsEnhanced(host, page, argv[5])
                                       : analysis::compareSheets(host, page, argv[5]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("compare %.3f s, last progress line %s\n", seconds, host.last.c_str());
    return outcome == framework::Outcome::Done ? 0 : 1;
}
