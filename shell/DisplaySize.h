#pragma once

#include <QObject>
#include <QSize>

#include <memory>
#include <thread>

class QSocketNotifier;

namespace lettora {

// The platform service behind the display size. The X11 backend uses XRandR; elsewhere
// (offscreen, Wayland, Xwayland) the null backend reports the screen and switches nothing.
class DisplayBackend
{
public:
    virtual ~DisplayBackend() = default;
    // The primary screen's size in pixels (on X11 the primary output's, other monitors aside).
    virtual QSize screenSize() = 0;
    // The size a game saves to put back at its end: the screen's size, unless the screen stands at
    // the size that another running copy of the game switched it to; then that copy's saved size.
    virtual QSize sizeToRestore() { return screenSize(); }
    // Asks for the size; false when it was refused. Callers ignore the result. After a switch, a
    // request for the size from before puts back exactly what the switch replaced.
    virtual bool requestSize(QSize size) = 0;
    // Records the switch for the other copies of the game and starts a watchdog that puts
    // `restore` back if the program dies while the screen is at `switched` (on X11: the mode the
    // switch replaced, while the output shows the mode switched to); false when there is no
    // watchdog.
    virtual bool startWatchdog(QSize restore, QSize switched);
    // Tells the watchdog that the size is back and it has nothing left to do; forgets the record.
    virtual void stopWatchdog();
};

// The backend for this platform (chosen on first use); tests install their own.
DisplayBackend &displayBackend();
void setDisplayBackend(std::unique_ptr<DisplayBackend> backend);
std::unique_ptr<DisplayBackend> makePlatformDisplayBackend();

// Switches the display to width x height pixels; a refusal is ignored.
void SetDisplaySize(int width, int height);

// What the game window saves before switching: the primary screen's size, or the size another
// copy of the game will put back when the screen stands at the size that copy switched to.
QSize PrimaryScreenSize();

// Keeps a display switch from outliving the program. Armed after the switch with the size to put
// back; SIGTERM, SIGINT and SIGHUP put it back and end the event loop with 128 + signal, and a
// watchdog process puts it back after SIGKILL, a crash or a lost X connection. Disarmed by the
// close handler once it has put the size back itself; the destructor restores if still armed.
// Should the event loop not end within a couple of seconds of such a signal (the main thread
// stuck in a system call), a thread of its own puts the size back and ends the process with
// 128 + signal, switched or not. That thread runs from catching the signals to the shutdown.
class DisplayRestore : public QObject
{
    Q_OBJECT
public:
    static DisplayRestore &instance();

    // Catches the termination signals from now on (once; arming does it too).
    void catchSignals();

    // Puts `saved` back at the end if the screen now has another size; returns the size it has.
    QSize arm(QSize saved);
    void restoreNow();
    void disarm();
    bool isArmed() const { return m_armed; }
    // At program end, before the application object goes: restores if still armed, gives the
    // signals back their usual action and joins the fallback thread.
    void shutdown();

    ~DisplayRestore() override;

private:
    DisplayRestore();
    void onSignal();
    void stopCatchingSignals();

    QSize m_saved;
    bool m_armed = false;
    QSocketNotifier *m_notifier = nullptr;
    std::thread m_fallback;
};

} // namespace lettora
