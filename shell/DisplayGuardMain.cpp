// The display-size watchdog. The game starts it after switching the screen and keeps a pipe to
// its standard input. When the game ends normally it writes "d" first; when the pipe closes
// without it (SIGKILL, a crash, a lost X connection), the watchdog puts the saved size back,
// provided the screen is still at the size the game switched it to. The sizes it gets follow the
// switch recorded on the root window (see XRandrScreen.h), so it never puts back a size that
// another copy of the game set.
//
// Usage: lettora-display-guard DISPLAY RESTORE_W RESTORE_H SWITCHED_W SWITCHED_H

#include "shell/XRandrScreen.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 6)
        return 2;
    // Terminal hang-ups and interrupts are for the game; this process waits for the pipe.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    const char *display = argv[1][0] ? argv[1] : nullptr;
    const lettora::xrandr::Size restore{std::atoi(argv[2]), std::atoi(argv[3])};
    const lettora::xrandr::Size switched{std::atoi(argv[4]), std::atoi(argv[5])};

    char byte = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n == 1 && byte == 'd')
            return 0;
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }

    lettora::xrandr::putBack(display, restore, switched);
    return 0;
}
