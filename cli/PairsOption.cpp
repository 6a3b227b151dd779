#include "cli/PairsOption.h"

#include "engine/model/CellAddress.h"

#include <algorithm>
#include <cctype>

namespace tabrix::cli {

namespace {
const std::string kForm = "--pairs 的写法是 K1=K2[,A1=A2...]，等号两边是列字母（第一个工作表的列=第二个工作表的列），"
                          "第一对是关键列";

// Column letters in upper case, or nullopt when the text does not name a column.
std::optional<std::string> columnLetters(std::string text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalpha(c); }))
        return std::nullopt;
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (!engine::columnFromLetters(text)) return std::nullopt;
    return text;
}
} // namespace

std::optional<std::vector<analysis::ColumnPair>> parsePairs(const std::string& text, std::string& problem) {
    std::vector<analysis::ColumnPair> pairs;
    if (text.empty()) {
        problem = kForm + "；没有给出列对";
        return std::nullopt;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t eq = item.find('=');
        std::optional<std::string> first, second;
        if (eq != std::string::npos) {
            first = columnLetters(item.substr(0, eq));
            second = columnLetters(item.substr(eq + 1));
        }
        if (!first || !second) {
            problem = kForm + "；“" + item + "”不是两个以等号相连的列字母";
            return std::nullopt;
        }
        pairs.push_back({*first, *second});
        start = comma + 1;
    }
    return pairs;
}

} // namespace tabrix::cli
