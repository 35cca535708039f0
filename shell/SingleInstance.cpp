#include "shell/SingleInstance.h"

#include "shell/ErrorReport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace lettora {

InstanceLock::InstanceLock(const QString &dataFolder)
{
    const QByteArray folder = QFile::encodeName(dataFolder);
    // Any user who can read the folder can lock it, whoever owns what is inside.
    int folderError = 0;
    m_folder = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder >= 0 && flock(m_folder, LOCK_EX | LOCK_NB) != 0) {
        folderError = errno;
        close(m_folder);
        m_folder = -1;
        if (folderError == EWOULDBLOCK) {
            m_anotherRuns = true;
            return;
        }
    } else if (m_folder < 0) {
        folderError = errno;
    }
    // A folder's lock does not reach other machines over a network file system; a file's does. A
    // lock file this user may not write is locked for reading, which still keeps out the writer.
    const QByteArray file = folder + '/' + FileName;
    bool writing = true;
    // O_NONBLOCK: a FIFO in its place would block open().
    m_file = open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (m_file < 0) {
        writing = false;
        m_file = open(file.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    }
    struct stat status = {};
    if (m_file >= 0 && (fstat(m_file, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(m_file);
        m_file = -1;
    }
    if (m_file >= 0) {
        struct flock lock = {};
        lock.l_type = writing ? F_WRLCK : F_RDLCK;
        lock.l_whence = SEEK_SET;
        if (fcntl(m_file, F_OFD_SETLK, &lock) != 0) {
            const int error = errno;
            close(m_file);
            m_file = -1;
            if (error == EAGAIN || error == EACCES) {
                m_anotherRuns = true;
                return;
            }
        }
    }
    if (m_folder < 0 && m_file < 0)
        m_problem = QString::fromLatin1(CannotLock).arg(quotedName(dataFolder), qt_error_string(folderError));
}

InstanceLock::~InstanceLock()
{
    if (m_file >= 0)
        close(m_file);
    if (m_folder >= 0)
        close(m_folder);
}

namespace {
constexpr int AskAttempts = 20;
constexpr useconds_t AskPause = 50'000;

bool addressOf(const QString &path, sockaddr_un &address)
{
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || std::size_t(bytes.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, bytes.constData(), std::size_t(bytes.size()));
    return true;
}
} // namespace

QString FrontRequests::socketPath(const QString &dataFolder)
{
    QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QFileInfo(dataFolder).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256).toHex().left(16);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return runtime + QLatin1String("/lettora-") + QLatin1String(hash);
    // The temporary folder is everybody's: the user's number keeps the names apart.
    return QDir::tempPath() + QStringLiteral("/lettora-%1-").arg(getuid()) + QLatin1String(hash);
}

FrontRequests::FrontRequests(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_path(socketPath(dataFolder))
{
    sockaddr_un address;
    if (!addressOf(m_path, address))
        return;
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return;
    // Only the lock's holder listens: a socket already there was left by a game that crashed.
    struct stat status = {};
    if (lstat(address.sun_path, &status) == 0 && S_ISSOCK(status.st_mode))
        unlink(address.sun_path);
    if (bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 || listen(listener, 8) != 0) {
        close(listener);
        return;
    }
    m_listener = listener;
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FrontRequests::accept);
}

FrontRequests::~FrontRequests()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    close(m_listener);
    unlink(QFile::encodeName(m_path).constData());
}

void FrontRequests::accept()
{
    // A connection is the whole request.
    bool asked = false;
    for (int connection; (connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        close(connection);
        asked = true;
    }
    if (asked)
        Q_EMIT comeToTheFront();
}

bool FrontRequests::askRunningGame(const QString &dataFolder)
{
    sockaddr_un address;
    if (!addressOf(socketPath(dataFolder), address))
        return false;
    for (int attempt = 0; attempt < AskAttempts; ++attempt) {
        if (attempt > 0)
            usleep(AskPause);
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        const bool reached = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        const int error = errno;
        close(fd);
        if (reached)
            return true;
        // Not there yet (the holder may have taken the lock a moment ago), or too busy: again.
        if (error != ENOENT && error != ECONNREFUSED && error != EAGAIN)
            return false;
    }
    return false;
}

} // namespace lettora
