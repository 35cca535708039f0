#include "shell/Application.h"

#include "shell/WindowLook.h"

#include "shell/PictureLoader.h"

#include <QThreadPool>

#include <X11/Xlib.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <unistd.h>

namespace lettora {

namespace {

constexpr const char *NoDisplay = "Lettora needs an X11 or Wayland display, and none could be opened";

[[noreturn]] void noDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    std::fprintf(stderr, "%s (%s).\n", NoDisplay,
                 display.isEmpty() ? "DISPLAY is not set" : ("DISPLAY is " + display).constData());
    std::fflush(stderr);
    _exit(1);  // also from inside the half-made application object: nothing of it is torn down
}

// Checked before Qt tries: Qt would end the process with advice to reinstall.
void checkDisplay()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;  // the platform plugin decides; a failure is caught below
    if (Display *d = XOpenDisplay(nullptr)) {
        XCloseDisplay(d);
        return;
    }
    noDisplay();
}

QtMessageHandler qtHandler = nullptr;

// A fatal error while the application object is made is the platform plugin's: no display.
void onFatalWhileMaking(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg)
        noDisplay();
    qtHandler(type, context, text);
}

} // namespace

std::unique_ptr<QApplication> makeApplication(int &argc, char **argv)
{
    // In a Wayland session the game is a native Wayland client, also where Qt would choose
    // Xwayland by itself (it does so on GNOME); X11 stays the fall-back.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    // Without a session bus, D-Bus would fork a process at start to look for `dbus-launch` and
    // start one; an address it does not know makes it give up at once instead.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && (runtime.isEmpty() || access((runtime + "/bus").constData(), F_OK) != 0))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // The game's windows have their own fonts and colours. Following the desktop's would also load
    // its toolkit: on GNOME, Qt's GTK theme (when installed, as Debian recommends) brings GTK in at
    // start, 66 MB more and a slower first paint, for a look the game then paints over.
    QGuiApplication::setDesktopSettingsAware(false);
    checkDisplay();
    qtHandler = qInstallMessageHandler(onFatalWhileMaking);
    auto app = std::make_unique<QApplication>(argc, argv);
    limitPictureDecoding();
    useOwnButtonIcons();
    qInstallMessageHandler(qtHandler);
    return app;
}

void prepareFonts()
{
    QThreadPool::globalInstance()->start([] { FcInit(); });
}

bool endBackgroundJobs(int msecs)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->clear();
    return pool->waitForDone(msecs);
}

} // namespace lettora
