#pragma once

#include "framework/Host.h"

#include <chrono>
#include <cstdint>

namespace tabrix::framework {

/// The one progress line of a row-by-row operation, "处理第" row "行数据". It is rewritten at most a few times a
/// second, each time after the window's pending events have run, so a long run stays responsive without spending
/// its time on the log; finish() writes the exact line of the last row.
class RowProgress {
public:
    /// total, when known, also moves the host's progress bar (the command line's on a terminal).
    explicit RowProgress(Host& host, uint64_t total = 0);
    void row(uint64_t row);
    void finish();

private:
    Host& m_host;
    uint64_t m_total;
    uint64_t m_last = 0;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_next;
    void show();
};

} // namespace tabrix::framework
