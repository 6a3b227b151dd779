#include "framework/RowProgress.h"

#include <string>

namespace tabrix::framework {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(200);
}

RowProgress::RowProgress(Host& host, uint64_t total)
    : m_host(host), m_total(total), m_next(std::chrono::steady_clock::now()) {}

void RowProgress::row(uint64_t row) {
    m_last = row;
    m_shown = false;
    // Reading the clock costs far less than a row; the log and the event loop are visited only when it is due.
    if (std::chrono::steady_clock::now() < m_next) return;
    show();
    m_next = std::chrono::steady_clock::now() + kInterval;
}

void RowProgress::finish() {
    if (m_last != 0 && !m_shown) show();
}

void RowProgress::show() {
    m_host.pumpEvents();
    m_host.progressLog("处理第" + std::to_string(m_last) + "行数据");
    if (m_total != 0) m_host.progress(m_last, m_total);
    m_shown = true;
}

} // namespace tabrix::framework
