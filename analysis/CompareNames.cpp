#include "analysis/CompareNames.h"

#include "engine/object/SheetNames.h"
#include "framework/SourceCheck.h"

#include <algorithm>
#include <filesystem>

namespace tabrix::analysis {

namespace {
constexpr size_t kFileNameChars = 22;
constexpr size_t kMaxSheetNameChars = 31;
const std::string kOpen = "不同的数据“";
const std::string kClose = "”中";

std::string fileNamePart(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return engine::cleanSheetName(engine::utf8Prefix(name, kFileNameChars), "空白");
}

// Sheet names are told apart ignoring letter case.
std::string folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return name;
}
} // namespace

DifferenceSheetNames differenceSheetNames(const std::string& firstPath, const std::string& secondPath) {
    if (firstPath == secondPath || framework::samePath(firstPath, secondPath))
        return {"不同的数据“第一个所选工作表”", "不同的数据“第二个所选工作表”"};
    DifferenceSheetNames names{kOpen + fileNamePart(firstPath) + kClose, kOpen + fileNamePart(secondPath) + kClose};
    // Two files of one name in different folders: the second sheet takes a number, its file name cut so that
    // the whole stays within the sheet name limit.
    const std::string second = fileNamePart(secondPath);
    for (int n = 2; folded(names.second) == folded(names.first); ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        const size_t room = kMaxSheetNameChars - engine::utf8Length(kOpen + kClose) - suffix.size();
        names.second = kOpen + engine::utf8Prefix(second, room) + suffix + kClose;
    }
    return names;
}

} // namespace tabrix::analysis
