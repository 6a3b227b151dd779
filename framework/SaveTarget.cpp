#include "framework/SaveTarget.h"

#include "framework/Messages.h"
#include "framework/SourceCheck.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace tabrix::framework {

namespace {
// The folder a target is written into: a bare name lies in the current folder, which may be the source folder.
std::string folderOf(const std::string& target) {
    const std::string folder = folderPart(target);
    if (!folder.empty()) return folder;
    return target.starts_with('/') ? "/" : ".";
}

bool isSource(const SaveTargetRequest& request, const std::string& target) {
    if (request.sourceFolder) return samePath(folderOf(target), *request.sourceFolder);
    return std::any_of(request.sources.begin(), request.sources.end(),
                       [&](const std::string& s) { return samePath(target, s); });
}
} // namespace

SaveTarget chooseSaveTarget(Host& host, const SaveTargetRequest& request) {
    auto chosen = host.saveFileDialog({request.title, workbookFilter(request.filterLabel, request.extension)});
    if (!chosen) return {std::nullopt, Outcome::Cancelled};
    const std::string target = *chosen;

    if (isSource(request, target)) {
        host.message(request.sourceFolder ? msg::kTargetInSourceFolder : msg::kTargetIsSource, msg::kTitleRefused);
        return {std::nullopt, Outcome::Refused};
    }
    // Any existing file is announced before it is replaced, not only names ending in xls/xlsx: the save would
    // otherwise replace it without a word.
    std::error_code ec;
    if (fs::exists(target, ec)) {
        if (fs::is_directory(target, ec)) {
            host.message(target + msg::kTargetInUse, msg::kTitleInUse);
            return {std::nullopt, Outcome::Refused};
        }
        if (!host.confirm(msg::kFile + target + msg::kReplaceQuestion, msg::kTitleReplace))
            return {std::nullopt, Outcome::Cancelled};
        if (!fs::remove(target, ec) || ec) {
            host.message(target + msg::kTargetInUse, msg::kTitleInUse);
            return {std::nullopt, Outcome::Refused};
        }
    }
    return {target, Outcome::Done};
}

} // namespace tabrix::framework
