#include "shell/core/AtomicFile.h"

#include "shell/core/Error.h"
#include "shell/core/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace lettora {

AtomicFile::AtomicFile(const QString &path) : m_path(path), m_file(path)
{
}

bool AtomicFile::fail(Step step, const QString &reason)
{
    if (m_error.isEmpty()) {
        m_failedStep = step;
        m_error = reason;
    }
    // Dropped before its commit, the temporary is removed and the old file stays.
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit();
    }
    return false;
}

bool AtomicFile::open()
{
    if (holdsNonRegularFile(QFile::encodeName(m_path)))
        return fail(Step::Opening, QString::fromLatin1(messages::NotRegularFile));
    if (!m_file.open(QIODevice::WriteOnly))
        return fail(Step::Opening, m_file.errorString());
    return true;
}

bool AtomicFile::write(const char *data, qint64 size)
{
    if (!m_file.isOpen())
        return false;
    // A short write is tried again for the rest: the second attempt gives the system's reason
    // (a full disk, a file too large), which the first, cut short, leaves out.
    while (size > 0) {
        const qint64 written = m_file.write(data, size);
        if (written <= 0 || m_file.error() != QFileDevice::NoError)
            return fail(Step::Writing, m_file.errorString());
        data += written;
        size -= written;
    }
    return true;
}

bool AtomicFile::finish()
{
    if (!m_file.isOpen())
        return false;
    // A commit after a short write would put a cut file in place of the old one and still report
    // success: every byte must be out before it.
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        return fail(Step::Writing, m_file.errorString());
    // A file system that cannot sync says EINVAL: nothing was lost.
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL)
        return fail(Step::Writing, QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

bool AtomicFile::commit()
{
    if (!m_file.isOpen())
        return false;
    if (!m_file.commit())
        return fail(Step::Replacing, m_file.errorString());
    return true;
}

bool saveWholeFiles(const QList<WholeFile> &files, SaveFailure &failure)
{
    std::vector<std::unique_ptr<AtomicFile>> written;
    auto failed = [&](const AtomicFile &file) {
        failure = {file.failedStep(), file.fileName(), file.errorString()};
        return false;
    };
    for (const WholeFile &one : files) {
        auto file = std::make_unique<AtomicFile>(one.path);
        if (!file->open() || !file->write(one.bytes) || !file->finish())
            return failed(*file);
        written.push_back(std::move(file));
    }
    for (const auto &file : written) {
        if (!file->commit())
            return failed(*file);
    }
    return true;
}

bool saveWholeFile(const QString &path, const QByteArray &bytes, SaveFailure &failure)
{
    return saveWholeFiles({{path, bytes}}, failure);
}

} // namespace lettora
