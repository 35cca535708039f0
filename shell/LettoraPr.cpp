#include "shell/Application.h"
#include "shell/ErrorReport.h"
#include "shell/Memory.h"
#include "shell/Program.h"
#include "shell/ProgramFolder.h"
#include "shell/SingleInstance.h"

int main(int argc, char *argv[])
{
    lettora::useOneMallocArena();
    const auto app = lettora::makeApplication(argc, argv);
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
