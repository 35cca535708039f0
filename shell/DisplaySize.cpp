#include "shell/DisplaySize.h"

#include "shell/display/XRandrScreen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

extern char **environ;

namespace lettora {

bool DisplayBackend::startWatchdog(QSize, QSize)
{
    return false;
}

void DisplayBackend::stopWatchdog() {}

namespace {

// What the fallback thread needs to put the size back without the main thread.
struct SwitchRecord
{
    std::atomic<bool> armed{false};
    char display[256] = {};
    xrandr::Switch done;
};
SwitchRecord switchRecord;

// Reports the screen Qt sees and never switches.
class NullDisplay : public DisplayBackend
{
public:
    QSize screenSize() override
    {
        const QScreen *s = QGuiApplication::primaryScreen();
        return s ? s->size() : QSize();
    }
    bool requestSize(QSize) override { return false; }
};

// The real X11 display through XRandR, with a watchdog process beside the game. Only the primary
// output switches; a request for the size it showed before puts back exactly the mode and screen
// size the switch replaced.
class X11Display : public DisplayBackend
{
public:
    explicit X11Display(QByteArray name) : m_name(std::move(name)) {}
    ~X11Display() override { stopWatchdog(); }

    QSize screenSize() override
    {
        xrandr::Size s;
        if (!xrandr::primarySize(m_name.constData(), &s))
            return QSize();
        return QSize(s.width, s.height);
    }

    bool requestSize(QSize size) override
    {
        const xrandr::Size wanted{size.width(), size.height()};
        if (m_switched && wanted == m_before) {
            xrandr::putBack(m_name.constData(), m_done);
            m_switched = false;
            return true;
        }
        xrandr::Switch done;
        xrandr::Size before;
        if (!xrandr::switchTo(m_name.constData(), wanted, &done, &before))
            return false;
        // A second request keeps the first one's state to put back.
        if (!m_switched && done.fromMode != done.toMode) {
            m_done = done;
            m_before = before;
            m_switched = true;
        }
        return true;
    }

    QSize sizeToRestore() override
    {
        xrandr::Size size;
        if (!xrandr::sizeToRestore(m_name.constData(), &size))
            return QSize();
        return QSize(size.width, size.height);
    }

    bool startWatchdog(QSize, QSize) override
    {
        if (m_pipe >= 0)
            return true;
        if (!m_switched)
            return false;
        xrandr::recordSwitch(m_name.constData(), m_done);
        if (!switchRecord.armed) {
            std::strncpy(switchRecord.display, m_name.constData(), sizeof switchRecord.display - 1);
            switchRecord.done = m_done;
            switchRecord.armed = true;
        }
        const QByteArray program =
            (QCoreApplication::applicationDirPath() + QStringLiteral("/lettora-display-guard")).toLocal8Bit();
        if (access(program.constData(), X_OK) != 0)
            return false;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        const QByteArray args[] = {
            QByteArray::number(qulonglong(m_done.output)),   QByteArray::number(qulonglong(m_done.fromMode)),
            QByteArray::number(qulonglong(m_done.toMode)),   QByteArray::number(m_done.fromScreen.width),
            QByteArray::number(m_done.fromScreen.height),    QByteArray::number(m_done.fromScreenMm.width),
            QByteArray::number(m_done.fromScreenMm.height)};
        std::vector<char *> argv{const_cast<char *>(program.constData()), const_cast<char *>(m_name.constData())};
        for (const QByteArray &arg : args)
            argv.push_back(const_cast<char *>(arg.constData()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        // Its own session, so that signals sent to the game's process group leave it running.
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        close(fds[0]);
        if (rc != 0) {
            close(fds[1]);
            return false;
        }
        m_pipe = fds[1];
        m_pid = pid;
        return true;
    }

    void stopWatchdog() override
    {
        if (switchRecord.armed.exchange(false))
            xrandr::clearSwitch(m_name.constData());
        if (m_pipe < 0)
            return;
        const char done = 'd';
        [[maybe_unused]] auto n = write(m_pipe, &done, 1);
        close(m_pipe);
        m_pipe = -1;
    }

private:
    QByteArray m_name;
    bool m_switched = false;
    xrandr::Switch m_done;
    xrandr::Size m_before;
    int m_pipe = -1;
    pid_t m_pid = 0;
};

std::unique_ptr<DisplayBackend> &backendSlot()
{
    static std::unique_ptr<DisplayBackend> backend;
    return backend;
}

int signalPipe[2] = {-1, -1};
sem_t fallbackWake;
std::atomic<bool> fallbackQuit{false};
std::atomic<int> caughtSignal{0};
constexpr int FallbackSeconds = 2;
constexpr int CaughtSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onTerminationSignal(int sig)
{
    int none = 0;
    caughtSignal.compare_exchange_strong(none, sig);
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] auto n = write(signalPipe[1], &byte, 1);
    sem_post(&fallbackWake);
}

// Woken by the first termination signal, or by the program's end. The event loop normally ends
// the program well within the wait; when the main thread is stuck in a system call it never does,
// so this thread puts the size back (through a connection of its own) and ends the process.
void fallbackThread()
{
    pthread_setname_np(pthread_self(), "signal-restore");
    while (sem_wait(&fallbackWake) != 0) {
    }
    if (fallbackQuit.load())
        return;
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += FallbackSeconds;
    for (;;) {
        if (sem_clockwait(&fallbackWake, CLOCK_MONOTONIC, &until) == 0) {
            if (fallbackQuit.load())
                return;  // the program came to its end in time
        } else if (errno == ETIMEDOUT) {
            break;
        }
    }
    if (switchRecord.armed)
        xrandr::putBack(switchRecord.display[0] ? switchRecord.display : nullptr, switchRecord.done);
    _exit(128 + caughtSignal.load());
}

} // namespace

std::unique_ptr<DisplayBackend> makePlatformDisplayBackend()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QByteArray name = qgetenv("DISPLAY");
        return std::make_unique<X11Display>(name);
    }
    return std::make_unique<NullDisplay>();
}

DisplayBackend &displayBackend()
{
    if (!backendSlot())
        backendSlot() = makePlatformDisplayBackend();
    return *backendSlot();
}

void setDisplayBackend(std::unique_ptr<DisplayBackend> backend)
{
    backendSlot() = std::move(backend);
}

void SetDisplaySize(int width, int height)
{
    displayBackend().requestSize(QSize(width, height));
}

QSize PrimaryScreenSize()
{
    return displayBackend().sizeToRestore();
}

DisplayRestore &DisplayRestore::instance()
{
    static DisplayRestore restore;
    return restore;
}

DisplayRestore::DisplayRestore() = default;

DisplayRestore::~DisplayRestore()
{
    if (m_armed)
        restoreNow();
    stopCatchingSignals();
}

void DisplayRestore::catchSignals()
{
    if (m_notifier)
        return;
    if (signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DisplayRestore::onSignal);
    static const bool semaphoreMade = (sem_init(&fallbackWake, 0, 0), true);
    (void)semaphoreMade;
    fallbackQuit = false;
    m_fallback = std::thread(fallbackThread);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : CaughtSignals)
        sigaction(sig, &action, nullptr);
}

void DisplayRestore::stopCatchingSignals()
{
    if (!m_notifier)
        return;
    // The size is back: a signal from now on ends the process the usual way, also while the
    // application object goes.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig : CaughtSignals)
        sigaction(sig, &action, nullptr);
    fallbackQuit = true;
    sem_post(&fallbackWake);
    m_fallback.join();
    while (sem_trywait(&fallbackWake) == 0) {
    }
    delete m_notifier;
    m_notifier = nullptr;
}

QSize DisplayRestore::arm(QSize saved)
{
    catchSignals();
    const QSize now = displayBackend().screenSize();
    if (!saved.isValid() || now == saved)
        return now; // the switch changed nothing: there is nothing to put back
    m_saved = saved;
    m_armed = true;
    displayBackend().startWatchdog(saved, now);
    return now;
}

void DisplayRestore::restoreNow()
{
    if (!m_armed)
        return;
    SetDisplaySize(m_saved.width(), m_saved.height());
    disarm();
}

void DisplayRestore::disarm()
{
    if (!m_armed)
        return;
    m_armed = false;
    displayBackend().stopWatchdog();
}

void DisplayRestore::shutdown()
{
    restoreNow();
    stopCatchingSignals();
}

void DisplayRestore::onSignal()
{
    unsigned char sig = 0;
    if (read(signalPipe[0], &sig, 1) != 1)
        return;
    restoreNow();
    // exit, not quit: nested modal loops (the options dialog, a message box) end too.
    QCoreApplication::exit(128 + sig);
}

} // namespace lettora
