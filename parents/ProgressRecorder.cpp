#include "parents/ProgressRecorder.h"

#include "shell/ErrorReport.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lettora {

namespace {
// Appends `line` to the file, with the header first into an empty file and a line break first
// after a line that a crash cut (read and write: the last byte is looked at). Never waits on a FIFO: it is refused. Empty when it was written.
QString append(const QString &file, const QByteArray &line)
{
    const QByteArray path = QFile::encodeName(file);
    if (holdsNonRegularFile(path))
        return QLatin1String(messages::NotRegularFile);
    const int fd = ::open(path.constData(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return qt_error_string(errno);
    QString reason;
    struct stat st{};
    QByteArray bytes;
    if (::fstat(fd, &st) != 0) {
        reason = qt_error_string(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reason = QLatin1String(messages::NotRegularFile);
    } else {
        char last = '\n';
        if (st.st_size == 0)
            bytes = progress::Header;
        else if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            bytes = "\n";
        bytes += line;
        const char *p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                reason = qt_error_string(n < 0 ? errno : ENOSPC);
                break;
            }
            p += n;
            left -= n;
        }
    }
    if (::close(fd) != 0 && reason.isEmpty())
        reason = qt_error_string(errno);
    return reason;
}
} // namespace

ProgressRecorder &ProgressRecorder::instance()
{
    static ProgressRecorder recorder;
    return recorder;
}

ProgressRecorder::ProgressRecorder()
{
    m_steady.start();
}

void ProgressRecorder::setClock(std::function<qint64()> milliseconds)
{
    m_clock = std::move(milliseconds);
}

qint64 ProgressRecorder::now() const
{
    return m_clock ? m_clock() : m_steady.elapsed();
}

ProgressRecorder::~ProgressRecorder()
{
    shutdown();
}

void ProgressRecorder::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_writer.joinable())
            return;
        m_quit = true;
    }
    m_wake.notify_one();
    m_writer.join();  // what is queued is written first
    std::lock_guard lock(m_mutex);
    m_quit = false;
}

QString ProgressRecorder::file()
{
    return ProgramFolder::resolve(QLatin1String(paths::ProgressFile));
}

void ProgressRecorder::pictureShown()
{
    m_pictureAt = now();
}

void ProgressRecorder::answered(const QString &word, const QString &typed, Answer result)
{
    const qint64 at = now();
    const double seconds = m_pictureAt >= 0 ? double(at - m_pictureAt) / 1000.0 : 0.0;
    if (result == Answer::Timeout)
        m_pictureAt = at;
    if (m_stopped || word.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QTime time = now.time();
    ProgressRecord r;
    r.date = now.date();
    r.time = QTime(time.hour(), time.minute(), time.second());
    r.word = progress::recordedWord(word);
    r.result = result;
    r.seconds = seconds;
    r.typed = progress::recordedWord(typed);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({file(), progress::format(r)});
        // The writer starts with the first answer, not with the program.
        if (!m_writer.joinable())
            m_writer = std::thread([this] { writeLoop(); });
    }
    m_wake.notify_one();
}

void ProgressRecorder::resume()
{
    m_stopped = false;
    m_note.clear();
    std::lock_guard lock(m_mutex);
    m_writerStopped = false;
}

void ProgressRecorder::failed(const QString &reason)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_note = QString::fromLatin1(NotSaved).arg(reason);
    Q_EMIT stopped(m_note);
}

void ProgressRecorder::writeLoop()
{
    pthread_setname_np(pthread_self(), "progress");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            return;  // quit, with nothing left to write
        Pending next = std::move(m_queue.front());
        m_queue.pop_front();
        if (m_writerStopped)
            continue;
        lock.unlock();
        const QString reason = append(next.file, next.line);
        lock.lock();
        if (reason.isEmpty())
            continue;
        m_writerStopped = true;
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(this, [this, reason] { failed(reason); }, Qt::QueuedConnection);
    }
}

} // namespace lettora
