#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tabrix::cli {

/// The progress line of the command line on a terminal: a bar, the counts, the share and the time left,
/// followed by the operation's own progress text. Redrawn at most ten times a second.
class ProgressBar {
public:
    /// Sets the counts; true when the line should be redrawn now.
    bool update(uint64_t done, uint64_t total);
    void setText(const std::string& text) { m_text = text; }
    bool active() const { return m_total > 0; }
    /// The line as drawn, without the carriage return.
    std::string line() const;

private:
    using Clock = std::chrono::steady_clock;
    uint64_t m_done = 0, m_total = 0;
    std::string m_text;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastDraw{};
};

/// "1:05" or "1:02:03" for a number of seconds.
std::string clockText(double seconds);

} // namespace tabrix::cli
