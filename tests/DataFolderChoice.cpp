// Chooses the Data folder as the game does at start, as an ordinary user (run as root, it becomes
// nobody first, so that folders it may not write are really closed to it), and prints the folder
// chosen and the error to report, one a line.
//   data-folder-choice PROGRAM_FOLDER
#include "shell/core/ProgramFolder.h"

#include <QCoreApplication>

#include <cstdio>
#include <grp.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        return 3;
    QCoreApplication app(argc, argv);
    lettora::ProgramFolder::setRoot(QString::fromLocal8Bit(argv[1]));
    const QString error = lettora::ProgramFolder::chooseDataFolder();
    std::printf("%s\n%s\n", qPrintable(lettora::ProgramFolder::dataFolder()), qPrintable(error));
    return 0;
}
