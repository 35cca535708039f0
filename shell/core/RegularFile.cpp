#include "shell/core/RegularFile.h"

#include "shell/core/Error.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lettora {

int openRegularFile(const QByteArray &localPath, QString &reason)
{
    // Without O_NONBLOCK the open of a FIFO waits for a writer.
    const int fd = ::open(localPath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = QString::fromLatin1(messages::NotRegularFile);
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

bool openRegularFile(QFile &file, const QByteArray &localPath, QString &reason)
{
    const int fd = openRegularFile(localPath, reason);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        reason = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

bool holdsNonRegularFile(const QByteArray &localPath)
{
    struct stat st;
    return ::stat(localPath.constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

} // namespace lettora
