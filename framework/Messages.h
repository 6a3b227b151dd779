#pragma once

namespace tabrix::framework::msg {

// Texts the shared sequences show, exactly as users see them.
inline constexpr const char* kTargetIsSource = "新的文件不能覆盖原有Excel文件";
inline constexpr const char* kTargetInSourceFolder = "新的文件不能与原有Excel文件在同一个目录";
inline constexpr const char* kTitleRefused = "操作失效";
inline constexpr const char* kFile = "文件";
inline constexpr const char* kReplaceQuestion = "已存在，是否替换这个文件？";
inline constexpr const char* kTitleReplace = "是否替换保存";
inline constexpr const char* kTargetInUse = "正在使用，无法覆盖";
inline constexpr const char* kTitleInUse = "文件被打开";
inline constexpr const char* kSourceMissing = "原Excel文件不存在，请查实";
inline constexpr const char* kTitleSourceMissing = "文件不存在";
inline constexpr const char* kLogReset = "数据处理信息";
// The operations repeat the page's checks before they start, with texts of their own.
inline constexpr const char* kSourceNotFound = "没有找到原Excel文件，请重新选择文件";
inline constexpr const char* kTitleSourceNotFound = "原文件";
inline constexpr const char* kCheckSheets = "请认真检查，有没有选择工作表";
inline constexpr const char* kTitleCheckSheets = "条件不足";
inline constexpr const char* kTitlePassword = "需要密码";

} // namespace tabrix::framework::msg
