// The whole program, made as its entry makes it (the display switched where it can be), whose main
// thread then blocks for good reading a pipe that nobody writes: a termination signal must still
// end it, and put the display back.
//   stuck-program PROGRAM_FOLDER
#include "shell/app/Program.h"
#include "shell/core/ProgramFolder.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    QApplication app(argc, argv);
    lettora::ProgramFolder::setRoot(QString::fromLocal8Bit(argv[1]));
    // Both ends are this process's: the read never gets a byte nor an end of file.
    int nobodyWrites[2];
    if (pipe(nobodyWrites) != 0)
        return 2;
    lettora::Program program;
    QTimer::singleShot(0, [fd = nobodyWrites[0]] {
        std::puts("stuck");
        std::fflush(stdout);
        char byte;
        [[maybe_unused]] auto n = read(fd, &byte, 1);  // blocks for good
    });
    return program.run();
}
