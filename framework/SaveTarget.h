#pragma once

#include "framework/Host.h"

#include <optional>
#include <string>
#include <vector>

namespace tabrix::framework {

/// How one page asks for its result file.
struct SaveTargetRequest {
    std::string title;        ///< save dialog title
    std::string filterLabel;  ///< e.g. "保存合并后的文件(*."
    std::string extension;    ///< the working extension
    std::vector<std::string> sources;  ///< the target may not be any of these files
    std::optional<std::string> sourceFolder; ///< or: the target may not lie in this folder
};

/// The result of the sequence: the chosen path, or why the click ends.
struct SaveTarget {
    std::optional<std::string> path;
    Outcome outcome = Outcome::Cancelled;
};

/// The shared save sequence: the save dialog, refusal of a source (in any spelling) or a target in the source
/// folder, the replace prompt for an existing file and its deletion, the in-use message when it cannot be deleted.
/// A path is returned only when the operation may write there.
SaveTarget chooseSaveTarget(Host& host, const SaveTargetRequest& request);

} // namespace tabrix::framework
