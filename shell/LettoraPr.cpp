#include "shell/Program.h"
#include "shell/ProgramFolder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Closing the welcome screen or the options dialog never ends the program; the game window does.
    QApplication::setQuitOnLastWindowClosed(false);
    lettora::ProgramFolder::setRoot(QCoreApplication::applicationDirPath());
    lettora::ProgramFolder::chooseDataFolder();
    lettora::Program program;
    return program.run();
}
