#pragma once

#include <QByteArray>
#include <QList>
#include <QSaveFile>
#include <QString>

namespace lettora {

// A file written whole or not at all. The bytes go to a temporary file beside the target, are
// flushed and synced to the disk, and only then take the old file's place: a short write (a full
// disk) or a crash before commit() leaves the old file as it was. A temporary that is not
// committed goes with this object. A file that is replaced keeps its permissions; a symbolic link
// keeps pointing where it did, its target is replaced.
class AtomicFile
{
public:
    // Where a save stopped: after Opening and Writing the old file is untouched.
    enum class Step { Opening, Writing, Replacing };

    explicit AtomicFile(const QString &path);
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary. Something other than a regular file at the path (a FIFO, a folder) is
    // the user's own and is never replaced: refused with messages::NotRegularFile.
    bool open();
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Flushes and syncs: true when the temporary holds every byte written.
    bool finish();
    // Puts the finished temporary in the old file's place.
    bool commit();

    const QString &fileName() const { return m_path; }
    Step failedStep() const { return m_failedStep; }
    // The reason of the first failure; empty while nothing failed.
    const QString &errorString() const { return m_error; }

private:
    bool fail(Step step, const QString &reason);

    QString m_path;
    QSaveFile m_file;
    Step m_failedStep = Step::Opening;
    QString m_error;
};

struct WholeFile
{
    QString path;
    QByteArray bytes;
};

struct SaveFailure
{
    AtomicFile::Step step = AtomicFile::Step::Opening;
    QString fileName;
    QString reason;
};

// Saves files that belong together: every temporary is written whole before the first of them
// replaces its old file, so a failure while writing leaves all the old files as they were. False
// with `failure` telling which file failed, at which step and why.
bool saveWholeFiles(const QList<WholeFile> &files, SaveFailure &failure);

// The same for one file.
bool saveWholeFile(const QString &path, const QByteArray &bytes, SaveFailure &failure);

} // namespace lettora
