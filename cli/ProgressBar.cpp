#include "cli/ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace tabrix::cli {

namespace {
constexpr int kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
} // namespace

std::string clockText(double seconds) {
    const long s = std::max(0L, long(seconds + 0.5));
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

bool ProgressBar::update(uint64_t done, uint64_t total) {
    if (m_total == 0 && total > 0) m_start = Clock::now();
    m_done = std::min(done, total);
    m_total = total;
    const auto now = Clock::now();
    // The last step is always drawn, so the line ends on the true count.
    if (now - m_lastDraw < kRedrawEvery && m_done != m_total) return false;
    m_lastDraw = now;
    return true;
}

std::string ProgressBar::line() const {
    if (m_total == 0) return m_text;
    const double share = double(m_done) / double(m_total);
    const int filled = int(share * kBarWidth);
    std::string bar = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "]";
    char counts[96];
    std::snprintf(counts, sizeof counts, " %llu/%llu %3d%%", static_cast<unsigned long long>(m_done),
                  static_cast<unsigned long long>(m_total), int(share * 100));
    std::string out = bar + counts;
    const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
    if (m_done > 0 && m_done < m_total) out += " 剩余 " + clockText(elapsed / double(m_done) * double(m_total - m_done));
    if (!m_text.empty()) out += "  " + m_text;
    return out;
}

} // namespace tabrix::cli
