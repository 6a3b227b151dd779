#include "analysis/ComparePass.h"

#include "engine/model/CellAddress.h"
#include "engine/model/ValueEquality.h"
#include "engine/object/FindAhead.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"
#include "framework/RowProgress.h"

#include <optional>

namespace tabrix::analysis {

using namespace tabrix::engine;

namespace {
// The host's bar is fed every so many rows; the log line has its own pace.
constexpr uint32_t kBarStep = 4096;

// True when a row of the searched worksheet holding row i's key equals it on every compared pair: each
// occurrence of the key is tried in search order, and the search stops when it comes back to its first hit.
bool hasFullMatch(const PassPlan& plan, const Range& keys, uint32_t i) {
    std::optional<Range> hit = keys.Find(literalWhat(plan.walked.Cells(i, plan.walkedKey).Value()), xlWhole);
    if (!hit) return false;
    // The keys lie in one column, so a hit's row stands for its address.
    const uint32_t first = hit->Row();
    do {
        const uint32_t r = hit->Row();
        bool equal = true;
        for (auto it = plan.compared.begin(); equal && it != plan.compared.end(); ++it)
            equal = valuesEqual(plan.walked.Cells(i, it->first).Value(), plan.searched.Cells(r, it->second).Value());
        if (equal) return true;
        hit = keys.FindNext(*hit);
    } while (hit && hit->Row() != first);
    return false;
}

void copyRow(const PassPlan& plan, uint32_t i, Worksheet& destination, uint32_t& next) {
    const std::string row = std::to_string(i);
    plan.walked.Range("A" + row + ":" + plan.last + row).Copy(destination.Range("A" + std::to_string(next)));
    if (plan.numberColumn != 0) destination.Cells(next, plan.numberColumn).SetValue(double(i));
    ++next;
}

Range keyRange(const PassPlan& plan) {
    const std::string key = columnLetters(plan.searchedKey - 1);
    return plan.searched.Range(key + "1:" + key + std::to_string(plan.searchedRows));
}
} // namespace

MatchesAhead::MatchesAhead(const PassPlan& plan) : m_matches(size_t(plan.walkedRows) + 1, 0) {
    // The range is taken here, on the caller's thread, like everything else that may touch the sheets' state.
    const Range keys = keyRange(plan);
    m_thread = std::jthread([this, &plan, keys](std::stop_token stop) {
        try {
            FindAhead fetch(plan.walked, plan.walkedKey, plan.searched, plan.searchedKey);
            for (uint32_t i = 1; i <= plan.walkedRows && !stop.stop_requested(); ++i) {
                fetch.before(i);
                m_matches[i] = hasFullMatch(plan, keys, i);
            }
        } catch (...) {
            m_failure = std::current_exception();
        }
    });
}

const std::vector<uint8_t>& MatchesAhead::matches() {
    if (m_thread.joinable()) m_thread.join();
    if (m_failure) std::rethrow_exception(m_failure);
    return m_matches;
}

void runPass(framework::Host& host, const PassPlan& plan, Worksheet* same, Worksheet& different, PassShare share,
             MatchesAhead* ahead) {
    const std::vector<uint8_t>* found = ahead ? &ahead->matches() : nullptr;
    const Range keys = keyRange(plan);
    framework::RowProgress progress(host);
    uint32_t nextSame = 1, nextDifferent = 1;
    std::optional<FindAhead> fetch;
    if (!found) fetch.emplace(plan.walked, plan.walkedKey, plan.searched, plan.searchedKey);
    for (uint32_t i = 1; i <= plan.walkedRows; ++i) {
        if (fetch) fetch->before(i);
        if (found ? (*found)[i] != 0 : hasFullMatch(plan, keys, i)) {
            if (same) copyRow(plan, i, *same, nextSame);
        } else {
            copyRow(plan, i, different, nextDifferent);
        }
        progress.row(i);
        if (i % kBarStep == 0) host.progress(share.before + i, share.total);
    }
    progress.finish();
    host.progress(share.before + plan.walkedRows, share.total);
}

} // namespace tabrix::analysis
