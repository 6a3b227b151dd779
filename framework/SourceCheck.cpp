#include "framework/SourceCheck.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace tabrix::framework {

namespace {
bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

bool sourceExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    const std::string name = fs::path(path).filename().string();
    return endsWith(name, "xls") || endsWith(name, "xlsx");
}

bool sourcesExistAlike(const std::string& first, const std::string& second) {
    if (!sourceExists(first) || !sourceExists(second)) return false;
    const auto kind = [](const std::string& path) { return endsWith(fs::path(path).filename().string(), "xlsx"); };
    return kind(first) == kind(second);
}

std::string workbookFilter(const std::string& label, const std::string& extension) {
    return label + extension + ")|*." + extension;
}

bool samePath(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a.empty() || b.empty()) return false;
    std::error_code ec1, ec2;
    if (fs::exists(a, ec1) && fs::exists(b, ec2)) {
        std::error_code ec;
        if (fs::equivalent(a, b, ec)) return true;
    }
    std::error_code ec;
    auto ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
    auto cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !ec && ca == cb;
}

std::string folderPart(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

} // namespace tabrix::framework
