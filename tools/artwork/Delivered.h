#pragma once

#include <QString>

namespace art {

// The picture and music lists a new user starts with: the starter pictures and the background
// tunes, as full paths in `programFolder` (where the program will find them, which for an
// installed game is not where they are written now). Written only where `dataFolder` has no such
// lists yet: a rebuild never touches the lists a user has saved.
void writeDeliveredLists(const QString &dataFolder, const QString &programFolder);

} // namespace art
