#pragma once

namespace tabrix::split::msg {

// Texts the split pages show, exactly as users see them.
inline constexpr const char* kFolderNotSafe = "为确保数据的安全，所选的文件夹内不能有excel文档,请选择其它文件夹";
inline constexpr const char* kTitleFolderNotSafe = "安全提示";
inline constexpr const char* kSourceNotFound = "没有找到原Excel文件";
inline constexpr const char* kTitleSourceNotFound = "原文件";
inline constexpr const char* kNoSelection = "请认真检查，有没有选择工作表，有没有选择拆分条件";
inline constexpr const char* kTitleNoSelection = "条件不足";
inline constexpr const char* kSaveTitle = "保存拆分后的文件";
inline constexpr const char* kSaveFilterLabel = "保存拆分后的文件(*.";
inline constexpr const char* kDoneLog = "拆分数据完成";
inline constexpr const char* kDone = "拆分数据完成！";
inline constexpr const char* kTitleDone = "拆分完成";
inline constexpr const char* kOperation = "拆分数据";

} // namespace tabrix::split::msg
