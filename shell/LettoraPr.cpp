#include "shell/ErrorReport.h"
#include "shell/Program.h"
#include "shell/ProgramFolder.h"
#include "shell/SingleInstance.h"

#include <QApplication>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

// Without a display Qt ends the process with advice to reinstall: say what is missing instead.
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
bool makingApplication = false;

void onQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // A fatal error while the application object is made is the platform plugin's: no display.
    if (type == QtFatalMsg && makingApplication)
        noDisplay();
    qtHandler(type, context, text);
}

} // namespace

int main(int argc, char *argv[])
{
    checkDisplay();
    qtHandler = qInstallMessageHandler(onQtMessage);
    makingApplication = true;
    QApplication app(argc, argv);
    makingApplication = false;
    lettora::ProgramFolder::setRoot(QCoreApplication::applicationDirPath());
    const QString problem = lettora::ProgramFolder::chooseDataFolder();
    // One game per Data folder: a second start brings the running game forward and leaves, before
    // any window (or the display) is touched.
    lettora::InstanceLock lock(lettora::ProgramFolder::dataFolder(), &lettora::Program::bringToFront);
    if (lock.holder()) {
        lock.askHolderToComeForward();
        return 0;
    }
    if (!problem.isEmpty())
        lettora::reportError(problem);
    lettora::Program program;
    return program.run();
}
