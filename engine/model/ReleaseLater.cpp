#include "engine/model/ReleaseLater.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tabrix::engine {

namespace {
// Made once and never destroyed, so the thread can go on using it while the process shuts down.
class Releaser {
public:
    Releaser() {
        std::thread([this] { run(); }).detach();
    }

    void add(std::unique_ptr<BookData> book) {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(book));
        }
        m_wake.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::unique_ptr<BookData>> m_queue;

    [[noreturn]] void run() {
        for (;;) {
            std::unique_ptr<BookData> book;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_queue.empty(); });
                book = std::move(m_queue.front());
                m_queue.pop_front();
            }
            book.reset();
        }
    }
};
} // namespace

void releaseLater(std::unique_ptr<BookData> book) noexcept {
    if (!book) return;
    try {
        static Releaser* releaser = new Releaser;
        releaser->add(std::move(book));
    } catch (...) {
        // No thread or no room to queue it: the book is freed here, as it always was.
    }
}

} // namespace tabrix::engine
