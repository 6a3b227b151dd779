#include "analysis/ComparePass.h"

#include "analysis/LenientKeys.h"

#include "engine/model/CellAddress.h"
#include "engine/model/ValueEquality.h"
#include "engine/object/FindAhead.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"
#include "framework/RowProgress.h"

#include <climits>
#include <cstdint>
#include <optional>

namespace tabrix::analysis {

using namespace tabrix::engine;

namespace {
// The host's bar is fed every so many rows; the log line has its own pace.
constexpr uint32_t kBarStep = 4096;

// How a walked row fared: whether a row holding its key matches it in full, and, when asked for and none does,
// the row holding its key that differs in the fewest compared columns (the first of those; 0 when no row holds it).
struct Lookup {
    bool full = false;
    uint32_t closest = 0;
};

// The compared pairs on which rows i (walked) and r (searched) differ, counted no further than `enough`.
uint32_t differences(const PassPlan& plan, uint32_t i, uint32_t r, uint32_t enough) {
    uint32_t count = 0;
    for (auto it = plan.compared.begin(); count < enough && it != plan.compared.end(); ++it)
        if (!sameValue(plan, plan.walked.Cells(i, it->first).Value(), plan.searched.Cells(r, it->second).Value()))
            ++count;
    return count;
}

class Closest {
public:
    explicit Closest(bool wanted) : m_wanted(wanted) {}
    // How many differences are worth counting for the next row: one tells a full match from none.
    uint32_t enough() const { return m_wanted ? m_best : 1; }
    void offer(uint32_t row, uint32_t count) {
        if (m_wanted && (count < m_best || (count == m_best && row < m_row))) {
            m_best = count;
            m_row = row;
        }
    }
    uint32_t row() const { return m_row; }

private:
    bool m_wanted;
    uint32_t m_best = UINT32_MAX;
    uint32_t m_row = 0;
};

// Each row holding row i's key is tried until one equals it on every compared pair. Exactly, the key is found
// with Find and FindNext, in search order, stopping when the search comes back to its first hit; leniently, the
// rows come from the lenient key index.
Lookup lookUp(const PassPlan& plan, const Range& keys, uint32_t i, bool wantClosest) {
    Closest closest(wantClosest);
    const Variant key = plan.walked.Cells(i, plan.walkedKey).Value();
    if (plan.lenient) {
        for (uint32_t r = plan.lenient->first(key); r != 0; r = plan.lenient->next(r)) {
            const uint32_t count = differences(plan, i, r, closest.enough());
            if (count == 0) return {true, 0};
            closest.offer(r, count);
        }
        return {false, closest.row()};
    }
    std::optional<Range> hit = keys.Find(literalWhat(key), xlWhole);
    if (!hit) return {};
    // The keys lie in one column, so a hit's row stands for its address.
    const uint32_t first = hit->Row();
    do {
        const uint32_t r = hit->Row();
        const uint32_t count = differences(plan, i, r, closest.enough());
        if (count == 0) return {true, 0};
        closest.offer(r, count);
        hit = keys.FindNext(*hit);
    } while (hit && hit->Row() != first);
    return {false, closest.row()};
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

bool sameValue(const PassPlan& plan, const Variant& walked, const Variant& searched) {
    return plan.lenient ? lenientValuesEqual(walked, searched) : valuesEqual(walked, searched);
}

MatchesAhead::MatchesAhead(const PassPlan& plan) : m_matches(size_t(plan.walkedRows) + 1, 0) {
    // The range is taken here, on the caller's thread, like everything else that may touch the sheets' state.
    const Range keys = keyRange(plan);
    m_thread = std::jthread([this, &plan, keys](std::stop_token stop) {
        try {
            std::optional<FindAhead> fetch;
            if (!plan.lenient) fetch.emplace(plan.walked, plan.walkedKey, plan.searched, plan.searchedKey);
            for (uint32_t i = 1; i <= plan.walkedRows && !stop.stop_requested(); ++i) {
                if (fetch) fetch->before(i);
                m_matches[i] = lookUp(plan, keys, i, false).full;
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
             MatchesAhead* ahead, std::vector<ChangedRow>* changes) {
    const std::vector<uint8_t>* found = ahead ? &ahead->matches() : nullptr;
    const Range keys = keyRange(plan);
    framework::RowProgress progress(host);
    uint32_t nextSame = 1, nextDifferent = 1;
    std::optional<FindAhead> fetch;
    if (!found && !plan.lenient) fetch.emplace(plan.walked, plan.walkedKey, plan.searched, plan.searchedKey);
    for (uint32_t i = 1; i <= plan.walkedRows; ++i) {
        if (fetch) fetch->before(i);
        const Lookup lookup = found ? Lookup{(*found)[i] != 0, 0} : lookUp(plan, keys, i, changes != nullptr);
        if (lookup.full) {
            if (same) copyRow(plan, i, *same, nextSame);
        } else {
            copyRow(plan, i, different, nextDifferent);
            if (changes && lookup.closest != 0) changes->push_back({i, lookup.closest});
        }
        progress.row(i);
        if (i % kBarStep == 0) host.progress(share.before + i, share.total);
    }
    progress.finish();
    host.progress(share.before + plan.walkedRows, share.total);
}

} // namespace tabrix::analysis
