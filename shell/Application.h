#pragma once

#include <QApplication>

#include <memory>

namespace lettora {

// Makes the application object. Without a display to show the game on (DISPLAY unset or wrong,
// no Wayland) it says so on standard error and ends the program with 1, instead of Qt's advice to
// reinstall. `argc` must outlive the application, as Qt asks.
std::unique_ptr<QApplication> makeApplication(int &argc, char **argv);

} // namespace lettora
