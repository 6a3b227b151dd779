#include "engine/model/ExternalBook.h"

#include <algorithm>
#include <cctype>

namespace tabrix::engine {

namespace {
// Sheet names match ignoring the case of ASCII letters, as the application compares them.
bool sameSheetName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}
} // namespace

std::string ExternalBook::fileName() const {
    const size_t slash = target.find_last_of("/\\");
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

std::optional<size_t> ExternalBook::sheetIndex(std::string_view name) const {
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sameSheetName(sheets[i].name, name)) return i;
    return std::nullopt;
}

ExternalSheet& ExternalBook::sheet(std::string_view name) {
    if (auto i = sheetIndex(name)) return sheets[*i];
    sheets.push_back({std::string(name), {}});
    return sheets.back();
}

} // namespace tabrix::engine
