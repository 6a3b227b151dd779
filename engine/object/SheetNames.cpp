#include "engine/object/SheetNames.h"

#include <string_view>

#include "engine/object/Workbook.h"

namespace tabrix::engine {

std::string cleanSheetName(const std::string& value, const std::string& fallback) {
    std::string name = value;
    for (char& c : name)
        if (std::string_view(":\\/?*[]").find(c) != std::string_view::npos) c = '_';
    if (!name.empty() && name.front() == '\'') name.front() = '_';
    name = utf8Prefix(name, 31);
    if (!name.empty() && name.back() == '\'') name.back() = '_';
    return name.empty() ? fallback : name;
}

std::string sheetNameProblem(const std::string& name) {
    const size_t length = utf8Length(name);
    if (length == 0) return "工作表名称不能为空";
    if (length > 31) return "工作表名称“" + name + "”超过 31 个字符";
    if (name.find_first_of(":\\/?*[]") != std::string::npos)
        return "工作表名称“" + name + "”含有不允许的字符 : \\ / ? * [ ]";
    if (name.front() == '\'' || name.back() == '\'') return "工作表名称“" + name + "”不能以单引号开头或结尾";
    return {};
}

std::string uniqueCopyName(const Workbook& target, const std::string& name) {
    if (!target.hasSheetNamed(name)) return name;
    for (int n = 2;; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::string candidate = utf8Prefix(name, 31 - suffix.size()) + suffix;
        if (!target.hasSheetNamed(candidate)) return candidate;
    }
}

} // namespace tabrix::engine
