#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lettora {

// The threads of the Background makings below. None is left to run on its own: each is joined by
// its owner, at the latest when the owner goes (the formats module's owner also when the
// application object goes). Finished threads are joined as new ones start.
class BackgroundThreads
{
public:
    BackgroundThreads() = default;
    ~BackgroundThreads() { joinAll(); }
    BackgroundThreads(const BackgroundThreads &) = delete;
    BackgroundThreads &operator=(const BackgroundThreads &) = delete;

    void start(std::function<void()> job)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([job = std::move(job), done] {
            job();
            *done = true;
        });
        std::vector<std::thread> finished;
        {
            std::lock_guard guard(m_lock);
            for (auto it = m_threads.begin(); it != m_threads.end();) {
                if (*it->done) {
                    finished.push_back(std::move(it->thread));
                    it = m_threads.erase(it);
                } else {
                    ++it;
                }
            }
            m_threads.push_back({std::move(thread), std::move(done)});
        }
        for (std::thread &t : finished)
            t.join();  // ended already: no wait
    }

    // Waits for every thread started so far.
    void joinAll()
    {
        std::vector<Running> running;
        {
            std::lock_guard guard(m_lock);
            running.swap(m_threads);
        }
        for (Running &r : running)
            r.thread.join();
    }

    // Threads started and not joined yet (running or finished).
    std::size_t unjoined() const
    {
        std::lock_guard guard(m_lock);
        return m_threads.size();
    }

private:
    struct Running
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    mutable std::mutex m_lock;
    std::vector<Running> m_threads;
};

// Something made on a thread of `threads`, for a caller that must not wait for it (a synthesiser
// reading a large soundfont). The caller never waits: let go before it is made, it is deleted by
// the making thread once made, and that thread is joined by its owner.
template<typename T>
class Background
{
public:
    Background(BackgroundThreads &threads, std::function<std::unique_ptr<T>()> make)
        : m_state(std::make_shared<State>())
    {
        threads.start([state = m_state, make = std::move(make)] {
            std::unique_ptr<T> made = make();
            std::lock_guard guard(state->lock);
            state->made = std::move(made);
            state->done = true;
        });
    }

    bool ready() const
    {
        std::lock_guard guard(m_state->lock);
        return m_state->done;
    }
    // Null until it is made, and when the making gave nothing.
    T *get() const
    {
        std::lock_guard guard(m_state->lock);
        return m_state->made.get();
    }

private:
    struct State
    {
        std::mutex lock;
        bool done = false;
        std::unique_ptr<T> made;
    };
    std::shared_ptr<State> m_state;
};

} // namespace lettora
