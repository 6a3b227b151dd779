#include "engine/model/SaveMessages.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

namespace tabrix::engine {

namespace {

// Readers note features by these English keys; the log speaks the user's language.
constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kFeatureNames{{
    {"charts", "图表"},
    {"images", "图片"},
    {"drawings", "绘图对象"},
    {"comments", "批注"},
    {"pivot tables", "数据透视表"},
    {"tables", "表格"},
    {"embedded objects", "嵌入对象"},
    {"form controls", "表单控件"},
    {"hyperlinks", "超链接"},
    {"data validation", "数据验证"},
    {"conditional formats", "条件格式"},
    {"autofilter", "自动筛选"},
    {"freeze panes", "冻结窗格"},
    {"sheet protection", "工作表保护"},
    {"macros", "宏"},
    {"print settings", "打印设置"},
    {"rich text", "单元格内的多种字体"},
}};

std::string_view featureName(std::string_view key) {
    for (const auto& [k, name] : kFeatureNames)
        if (k == key) return name;
    return key;
}

} // namespace

std::string droppedFeaturesWarning(const SheetData& sheet) {
    if (sheet.droppedFeatures.empty()) return {};
    std::string line = "工作表“" + sheet.name + "”：以下内容未保存：";
    for (size_t i = 0; i < sheet.droppedFeatures.size(); ++i) {
        if (i > 0) line += "、";
        line += featureName(sheet.droppedFeatures[i]);
    }
    return line;
}

std::string describeErrno(int err) {
    switch (err) {
    case ENOSPC: return "磁盘空间不足";
    case EDQUOT: return "超出磁盘配额";
    case EACCES:
    case EPERM: return "没有写入权限";
    case ENOENT: return "文件夹不存在";
    case EROFS: return "磁盘是只读的";
    case EIO: return "磁盘读写错误";
    default: return std::strerror(err);
    }
}

} // namespace tabrix::engine
