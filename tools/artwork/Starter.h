#pragma once

#include <QString>
#include <QStringList>

namespace art {

// The starter pictures in the program's Picture folder, so that a new user can play at once.
void drawStarterPictures(const QString &dir);
QStringList starterPictureNames();

} // namespace art
