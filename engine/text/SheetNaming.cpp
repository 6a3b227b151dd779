#include "engine/text/SheetNaming.h"

#include "engine/model/Utf8.h"
#include "engine/text/HtmlTokenizer.h"

#include <filesystem>

namespace tabrix::engine::text {

namespace {
bool sameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool taken(const BookData& book, const std::string& name) {
    for (const auto& sheet : book.sheets)
        if (sameNoCase(sheet->name, name)) return true;
    return false;
}
} // namespace

std::string validSheetName(std::string_view wanted, const BookData& book, const std::string& fallback) {
    std::string name;
    for (char c : wanted)
        name +=
            (c == ':' || c == '\\' || c == '/' || c == '?' || c == '*' || c == '[' || c == ']' || (c >= 0 && c < 0x20))
                ? '_'
                : c;
    while (!name.empty() && (name.front() == '\'' || name.front() == ' '))
        name.erase(0, 1);
    while (!name.empty() && (name.back() == '\'' || name.back() == ' '))
        name.pop_back();
    name = utf8Prefix(name, 31);
    if (name.empty()) name = fallback;
    if (!taken(book, name)) return name;
    for (int n = 2;; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::string candidate = utf8Prefix(name, 31 - suffix.size()) + suffix;
        if (!taken(book, candidate)) return candidate;
    }
}

std::string sheetNameForFile(const std::string& path) {
    std::string stem = std::filesystem::path(path).stem().string();
    BookData empty;
    return validSheetName(stem, empty, "Sheet1");
}

void collectSheetNames(std::string_view comment, std::vector<std::string>& names) {
    static constexpr std::string_view open = "<x:Name>", close = "</x:Name>";
    for (size_t at = comment.find(open); at != std::string_view::npos; at = comment.find(open, at)) {
        at += open.size();
        const size_t end = comment.find(close, at);
        if (end == std::string_view::npos) return;
        std::string name;
        appendDecoded(name, comment.substr(at, end - at));
        names.push_back(std::move(name));
        at = end + close.size();
    }
}

} // namespace tabrix::engine::text
