// The display-size watchdog. The game starts it after switching the screen and keeps a pipe to
// its standard input. When the game ends normally it writes "d" first; when the pipe closes
// without it (SIGKILL, a crash, a lost X connection), the watchdog puts back the output's mode and
// the screen size the game replaced, provided the output still shows the mode the game switched
// it to. What it gets follows the switch recorded on the root window (see XRandrScreen.h), so it
// never puts back a mode that another copy of the game set.
//
// Usage: lettora-display-guard DISPLAY OUTPUT FROM_MODE TO_MODE SCREEN_W SCREEN_H SCREEN_W_MM SCREEN_H_MM

#include "shell/display/XRandrScreen.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 9)
        return 2;
    // Terminal hang-ups and interrupts are for the game; this process waits for the pipe.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    const char *display = argv[1][0] ? argv[1] : nullptr;
    const auto id = [&](int i) { return std::strtoul(argv[i], nullptr, 10); };
    const lettora::xrandr::Switch done{id(2), id(3), id(4), {std::atoi(argv[5]), std::atoi(argv[6])},
                                       {std::atoi(argv[7]), std::atoi(argv[8])}};

    char byte = 0;
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n == 1 && byte == 'd')
            return 0;
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }

    lettora::xrandr::putBack(display, done);
    return 0;
}
