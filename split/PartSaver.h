#pragma once

#include "framework/Host.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tabrix::engine {
class Workbook;
} // namespace tabrix::engine

namespace tabrix::split {

/// Saves the part workbooks of a split on worker threads while the next parts are built. The saves are asked for
/// in the order of the parts and each part workbook is only touched by its save once handed over; everything else
/// (closing a saved part, its log lines) happens on the caller's thread. The first failed save is raised to the
/// caller by the next save or finish(), and no later part is saved after it.
class PartSaver {
public:
    PartSaver();
    /// Waits for the saves under way; a pending save that was not started is dropped.
    ~PartSaver();
    PartSaver(const PartSaver&) = delete;
    PartSaver& operator=(const PartSaver&) = delete;

    /// Hands a part over to be saved under path; the workbook is closed once saved.
    void save(framework::Host& host, engine::Workbook& book, std::string path);
    /// Waits until every part is saved and closed.
    void finish(framework::Host& host);

private:
    struct Job {
        engine::Workbook* book;
        std::string path;
    };
    void work();
    // Closes the saved parts and logs what their saves could not carry; raises the first failure.
    void collect(framework::Host& host, std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_pending;
    std::vector<engine::Workbook*> m_saved;
    size_t m_running = 0;
    std::exception_ptr m_failure;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace tabrix::split
