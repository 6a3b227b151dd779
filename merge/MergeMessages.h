#pragma once

#include "framework/Host.h"

#include <string>
#include <vector>

namespace tabrix::merge {

// Texts both merge pages show, exactly as users see them.
inline constexpr const char* kSaveTitle = "保存合并后的文件";
inline constexpr const char* kSaveFilterLabel = "保存合并后的文件(*.";

/// The end of a merge that saved its result: the completion lines, what the save could not carry, the message
/// with `remark` (a sentence about the headings, or nothing) after it.
inline void reportMerged(framework::Host& host, const std::string& target, const std::vector<std::string>& warnings,
                         const std::string& remark = {}) {
    host.appendLog("合并数据完成");
    host.appendLog("合并后数据保存在" + target);
    for (const auto& warning : warnings) host.appendLog(warning);
    host.message("合并数据完成！" + remark, "合并完成");
}

} // namespace tabrix::merge
