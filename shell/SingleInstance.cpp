#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lettora {

namespace {
// A later copy's request arrives as SIGUSR1 and reaches the event loop through this pipe.
int requestPipe[2] = {-1, -1};
constexpr int RequestSignal = SIGUSR1;

void onRequest(int)
{
    const char byte = 'r';
    [[maybe_unused]] auto n = write(requestPipe[1], &byte, 1);
}

void listenForRequests(std::function<void()> bringToFront)
{
    if (requestPipe[0] >= 0
        || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, requestPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [bringToFront = std::move(bringToFront)] {
        char bytes[16];
        while (read(requestPipe[0], bytes, sizeof bytes) > 0) {
        }
        bringToFront();
    });
    struct sigaction action = {};
    action.sa_handler = onRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(RequestSignal, &action, nullptr);
}
} // namespace

InstanceLock::InstanceLock(const QString &dataFolder, std::function<void()> bringToFront)
{
    listenForRequests(std::move(bringToFront));
    const QByteArray file = QFile::encodeName(dataFolder + QLatin1Char('/') + QLatin1String(FileName));
    m_fd = open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
    if (m_fd < 0)
        return;
    for (int attempt = 0; attempt < 5; ++attempt) {
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fcntl(m_fd, F_SETLK, &lock) == 0)
            return;
        if (errno != EACCES && errno != EAGAIN)
            return;  // a file system without locks: run unlocked
        lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fcntl(m_fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK && lock.l_pid > 0) {
            m_holder = lock.l_pid;
            return;
        }
        // The holder ended between the two calls: try again.
    }
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

void InstanceLock::askHolderToComeForward() const
{
    if (m_holder > 0)
        kill(m_holder, RequestSignal);
}

} // namespace lettora
