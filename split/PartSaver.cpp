#include "split/PartSaver.h"

#include "engine/object/Workbook.h"

#include <algorithm>

namespace tabrix::split {

namespace {
// Parts waiting for a worker: enough to keep the workers busy, few enough that memory stays bounded.
constexpr size_t kMaxPendingPerWorker = 2;
} // namespace

PartSaver::PartSaver() {
    const size_t workers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    for (size_t i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

PartSaver::~PartSaver() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.clear();
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void PartSaver::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_pending.empty(); });
        if (m_pending.empty()) return;
        Job job = std::move(m_pending.front());
        m_pending.pop_front();
        ++m_running;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job.book->SaveAs(job.path, 1);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        --m_running;
        if (failure && !m_failure) m_failure = failure;
        if (failure) m_pending.clear();
        if (!failure) m_saved.push_back(job.book);
        m_changed.notify_all();
    }
}

void PartSaver::collect(framework::Host& host, std::unique_lock<std::mutex>& lock) {
    std::vector<engine::Workbook*> saved;
    saved.swap(m_saved);
    const std::exception_ptr failure = m_failure;
    lock.unlock();
    for (engine::Workbook* book : saved) {
        for (const auto& warning : book->saveWarnings())
            host.appendLog(warning);
        book->Close(false);
    }
    lock.lock();
    if (failure) std::rethrow_exception(failure);
}

void PartSaver::save(framework::Host& host, engine::Workbook& book, std::string path) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failure || m_pending.size() < kMaxPendingPerWorker * m_workers.size(); });
    collect(host, lock);
    m_pending.push_back({&book, std::move(path)});
    m_changed.notify_all();
}

void PartSaver::finish(framework::Host& host) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failure || (m_pending.empty() && m_running == 0); });
    collect(host, lock);
    // A failure that came in while collecting: wait for the rest and raise it.
    m_changed.wait(lock, [this] { return m_pending.empty() && m_running == 0; });
    collect(host, lock);
}

} // namespace tabrix::split
