#pragma once

#include <QApplication>

#include <memory>

namespace lettora {

// Makes the application object. Without a display to show the game on (DISPLAY unset or wrong,
// no Wayland) it says so on standard error and ends the program with 1, instead of Qt's advice to
// reinstall. `argc` must outlive the application, as Qt asks.
std::unique_ptr<QApplication> makeApplication(int &argc, char **argv);

// Fontconfig reads its configuration and the font caches (about 35 ms) the first time a window
// draws text: the game window's first paint draws none, the welcome screen's title does a second
// after the start. Begun once the game window is up (shell/HeldWork.h), as a job on Qt's thread
// pool, it is ready by then and takes nothing from the start (begun before the application object,
// it made the first paint 8-16 ms later).
void prepareFonts();

// Ends the one-off jobs on Qt's thread pool (the fonts' warm-up, the pictures' sharper copies, the
// opening of the sound output): those not begun are dropped, those running are waited for, at
// most `msecs`, and the pool's threads joined. False when a job still runs: none can be cut short,
// and the application object's end would wait for it for good (fontconfig reading its caches from
// a hung network home), so the caller ends the process without it.
bool endBackgroundJobs(int msecs);

} // namespace lettora
