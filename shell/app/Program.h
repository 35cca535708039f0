#pragma once

namespace lettora {

// The whole program: creates the windows once, in their fixed order (the game window first, so
// it is the main window; then the options dialog, the start-up form and the welcome screen),
// runs the event loop and destroys the windows at the end. It owns every thread the program
// starts: each is stopped and joined before the application object goes.
class Program
{
public:
    // How long the end waits for a job that cannot be cut short.
    static constexpr int EndWaitMs = 3000;

    Program();
    ~Program();  // close()
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Shows the game window and runs the event loop; gives the process's exit code.
    int run();

    // Destroys the windows, then stops the workers, in order: the voice before the mixer it
    // plays on, the progress writer once no answer can come, the display's signal thread, and
    // last the one-off jobs on the thread pools. Once; later calls give the first one's result.
    // False when a job still runs after EndWaitMs: the application object's end would wait for it
    // for good, so the caller ends the process without it.
    bool close();

    // Raises and activates the game window and, above it, the dialog or box that is up (a later
    // copy of the game asked for it).
    static void bringToFront();

private:
    bool m_closed = false;
    bool m_ended = true;
};

} // namespace lettora
