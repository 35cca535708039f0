#include "shell/Application.h"
#include "shell/ErrorReport.h"
#include "shell/Memory.h"
#include "shell/ScreenScale.h"
#include "shell/SingleInstance.h"
#include "shell/app/Program.h"
#include "shell/core/ProgramFolder.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    lettora::useOneMallocArena();
    const auto app = lettora::makeApplication(argc, argv);
    lettora::ProgramFolder::setRoot(QCoreApplication::applicationDirPath());
    const QString problem = lettora::ProgramFolder::chooseDataFolder();
    const QString data = lettora::ProgramFolder::dataFolder();
    // One game per Data folder: a second start brings the running game forward and leaves, before
    // any window (or the display) is touched.
    const lettora::InstanceLock lock(data);
    if (lock.anotherGameRuns()) {
        if (!lettora::FrontRequests::askRunningGame(data))
            lettora::ScreenFit::instance().showBeforeWindows([&data] {
                lettora::showInformation(
                    QString::fromLatin1(lettora::InstanceLock::RunsElsewhere).arg(lettora::quotedName(data)));
            });
        return 0;
    }
    lettora::FrontRequests requests(data);
    QObject::connect(&requests, &lettora::FrontRequests::comeToTheFront, &lettora::Program::bringToFront);
    for (const QString &text : {problem, lock.problem()}) {
        if (!text.isEmpty())
            lettora::ScreenFit::instance().showBeforeWindows([&text] { lettora::reportError(text); });
    }
    lettora::Program program;
    const int code = program.run();
    if (!program.close()) {
        // A job stuck in a system call (fontconfig on a hung network home): the windows are
        // closed and saved, the display is back; the application object's end would wait for good.
        std::fflush(nullptr);
        _exit(code);
    }
    return code;
}
