#pragma once

#include "parents/ProgressLog.h"

#include <QElapsedTimer>
#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lettora {

// Records every answer of the child in the progress file. The game only hands the answer over:
// a thread of its own appends it, so that no click ever waits on the disk. The first write that
// fails (a full disk, a read-only folder, something other than a file in its place) ends the
// recording for the run and leaves a quiet note for the parents' corner, never a box. The writer
// runs from the first answer to the shutdown.
class ProgressRecorder : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *NotSaved = "Progress could not be saved: %1";

    static ProgressRecorder &instance();
    ~ProgressRecorder() override;

    // A picture came: its seconds start.
    void pictureShown();
    // The answer to the picture of `word` with the letters `typed` (both as the game holds them).
    // A countdown that ran out also starts the seconds anew, as the countdown does.
    void answered(const QString &word, const QString &typed, Answer result);

    // Empty while recording goes on; the note for the page once it stopped.
    QString note() const { return m_note; }
    // Records again after a failure (the history was cleared, or a test begins anew).
    void resume();
    // Writes what is queued and joins the writer, before the application object goes. An answer
    // after it starts a writer again.
    void shutdown();

    // The file as the program names it, resolved in the program folder.
    static QString file();

    // Tests: the milliseconds the seconds are measured with (any steady count; empty: the real one).
    void setClock(std::function<qint64()> milliseconds);

Q_SIGNALS:
    void stopped(const QString &note);

private:
    ProgressRecorder();
    void writeLoop();
    void failed(const QString &reason);

    qint64 now() const;
    QElapsedTimer m_steady;
    std::function<qint64()> m_clock;
    qint64 m_pictureAt = -1;  // -1 before the first picture
    QString m_note;
    bool m_stopped = false;  // on the game's thread

    struct Pending
    {
        QString file;
        QByteArray line;
    };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_queue;
    bool m_quit = false;
    bool m_writerStopped = false;  // on the writer's thread, under the mutex
    std::thread m_writer;
};

} // namespace lettora
