#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <pthread.h>

namespace lettora {

// The worker thread's name, as the system lists it.
inline constexpr const char *SpeechWorkerThread = "speech";

// Makes lines off the GUI thread, one at a time, newest first: a request that comes while another
// waits takes its place, and a line being made when a newer request comes is abandoned (or, made,
// dropped), never played. While no line is wanted it prepares what is likely to be said next.
// `Request` is what a line is made from, `Result` what is played.
template <typename Request, typename Result> class SpeechWorker
{
public:
    // True once what is being made is no longer wanted: `make` returns early.
    using Stopped = std::function<bool()>;
    using Make = std::function<Result(const Request &, const Stopped &)>;  // on the worker thread
    using Ready = std::function<void(Result)>;                            // on `context`'s thread
    static constexpr std::size_t MaxWaitingPreparations = 4;

    SpeechWorker(Make make, QObject *context, Ready ready)
        : m_make(std::move(make)), m_context(context), m_ready(std::move(ready)),
          m_latest(std::make_shared<std::atomic<quint64>>(0))
    {
    }

    // Abandons what is being made: never waits for a whole line.
    ~SpeechWorker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_pending.reset();
            m_preparations.clear();
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void submit(Request request)
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending = std::move(request);
            m_pendingId = ++*m_latest;
            startLocked();
        }
        m_wake.notify_all();
    }

    // Made when no line waits, for `make` to keep; its result is never played. A line asked for
    // meanwhile takes its place, and it is made again after; the oldest of too many waiting is
    // dropped.
    void prepare(Request request)
    {
        {
            std::lock_guard lock(m_mutex);
            m_preparations.push_back(std::move(request));
            if (m_preparations.size() > MaxWaitingPreparations)
                m_preparations.pop_front();
            startLocked();
        }
        m_wake.notify_all();
    }

    // Drops what waits and abandons what is being made.
    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_preparations.clear();
        ++*m_latest;
    }

private:
    void startLocked()
    {
        // The thread starts with the first line, not with the program.
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }

    void run()
    {
        pthread_setname_np(pthread_self(), SpeechWorkerThread);
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_pending || !m_preparations.empty(); });
            if (m_quit)
                return;
            if (!m_pending) {
                const Request preparation = std::move(m_preparations.front());
                m_preparations.pop_front();
                const quint64 id = *m_latest;
                lock.unlock();
                m_make(preparation, [this, id] {
                    std::lock_guard check(m_mutex);
                    return m_quit || m_pending.has_value() || *m_latest != id;
                });
                lock.lock();
                // Given way to a line: made again after it.
                if (m_pending && *m_latest == m_pendingId && m_preparations.size() < MaxWaitingPreparations)
                    m_preparations.push_front(preparation);
                continue;
            }
            const Request request = std::move(*m_pending);
            const quint64 id = m_pendingId;
            m_pending.reset();
            lock.unlock();
            Result result = m_make(request, [this, id] { return m_quit.load() || *m_latest != id; });
            lock.lock();
            if (m_quit)
                return;
            if (*m_latest != id || !m_context)
                continue;
            // Checked again on the GUI thread: a newer line may come while this one travels.
            auto latest = m_latest;
            Ready ready = m_ready;
            QMetaObject::invokeMethod(
                m_context,
                [latest, id, ready, result = std::move(result)]() mutable {
                    if (*latest == id)
                        ready(std::move(result));
                },
                Qt::QueuedConnection);
        }
    }

    Make m_make;
    QObject *m_context;  // outlives the worker
    Ready m_ready;
    std::shared_ptr<std::atomic<quint64>> m_latest;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    quint64 m_pendingId = 0;
    std::deque<Request> m_preparations;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace lettora
