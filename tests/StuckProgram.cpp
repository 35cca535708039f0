// The whole program, made as its entry makes it, whose main thread then blocks opening a FIFO
// that nobody writes: a termination signal must still end it.
//   stuck-program PROGRAM_FOLDER FIFO
#include "shell/Program.h"
#include "shell/ProgramFolder.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    QApplication app(argc, argv);
    lettora::ProgramFolder::setRoot(QString::fromLocal8Bit(argv[1]));
    lettora::Program program;
    const QByteArray fifo = argv[2];
    QTimer::singleShot(0, [fifo] {
        std::puts("stuck");
        std::fflush(stdout);
        [[maybe_unused]] int fd = open(fifo.constData(), O_RDONLY);  // blocks for good
    });
    return program.run();
}
