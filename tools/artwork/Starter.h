#pragma once

#include <QString>

namespace art {

// The starter pictures in the program's Picture folder, so that a new user can play at once, and
// the picture lists that name them, written only where the Data folder has no picture lists yet.
void drawStarterPictures(const QString &dir);

} // namespace art
