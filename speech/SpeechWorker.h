#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lettora {

// Makes lines off the GUI thread, one at a time, newest first: a request that comes while another
// waits takes its place, and a line made after a newer request came is dropped, never played.
// `Request` is what a line is made from, `Result` what is played.
template <typename Request, typename Result> class SpeechWorker
{
public:
    using Make = std::function<Result(const Request &)>;  // on the worker thread
    using Ready = std::function<void(Result)>;           // on `context`'s thread

    SpeechWorker(Make make, QObject *context, Ready ready)
        : m_make(std::move(make)), m_context(context), m_ready(std::move(ready)),
          m_latest(std::make_shared<std::atomic<quint64>>(0))
    {
    }

    ~SpeechWorker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_pending.reset();
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
            // The thread starts with the first line, not with the program.
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_all();
    }

    // Drops what waits and what is being made.
    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        ++*m_latest;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_pending; });
            if (m_quit)
                return;
            const Request request = std::move(*m_pending);
            const quint64 id = m_pendingId;
            m_pending.reset();
            lock.unlock();
            Result result = m_make(request);
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
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace lettora
