#pragma once

#include <QString>

namespace art {

// Each writes its files into the program folder `dir`.
void drawLetters(const QString &dir);
void drawGameWindow(const QString &dir);
void drawWelcome(const QString &dir);
void drawOptions(const QString &dir);
void drawWelcomeDecor(const QString &dir);
// The application icon in the hicolor theme's sizes under `iconFolder`.
void drawIcons(const QString &iconFolder);

} // namespace art
