#include "split/SplitColumn.h"

#include "framework/Messages.h"
#include "framework/SaveTarget.h"
#include "framework/SourceCheck.h"
#include "split/SortedCopy.h"
#include "split/SplitMessages.h"
#include "split/SplitSheets.h"

namespace tabrix::split {

using framework::Outcome;

Outcome splitColumnAction(framework::Host& host, const SplitColumnPage& page) {
    if (page.mode == 0) {
        const auto folder = host.browseFolder();
        if (!folder || folder->empty()) return Outcome::Cancelled;
        if (!folderIsSafe(host, *folder, page.extension)) return Outcome::Refused;
        return splitToBooks(host, page, *folder);
    }
    if (page.mode != 1) return Outcome::Cancelled;
    if (!framework::sourceExists(page.sourcePath)) {
        host.message(framework::msg::kSourceMissing, framework::msg::kTitleSourceMissing);
        return Outcome::Refused;
    }
    // The selections are checked before the save dialog too: otherwise an existing result file the user agreed
    // to replace would already be deleted when the split refuses to run.
    if (!splitInputsPresent(host, page)) return Outcome::Refused;
    auto target = framework::chooseSaveTarget(
        host, {msg::kSaveTitle, msg::kSaveFilterLabel, page.extension, {page.sourcePath}, {}});
    if (!target.path) return target.outcome;
    return splitToSheets(host, page, *target.path);
}

} // namespace tabrix::split
