#pragma once

namespace lettora {

// The whole program: creates the windows once, in their fixed order (the game window first, so
// it is the main window; then the options dialog, the start-up form and the welcome screen),
// runs the event loop and destroys the windows at the end.
class Program
{
public:
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Shows the game window and runs the event loop; gives the process's exit code.
    int run();

    // Raises and activates the game window and, above it, the dialog or box that is up (a later
    // copy of the game asked for it).
    static void bringToFront();
};

} // namespace lettora
