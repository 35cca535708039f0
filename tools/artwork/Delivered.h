#pragma once

#include <QString>

namespace art {

// The picture and music lists a new user starts with: the starter pictures and the background
// tunes, as paths relative to the program folder ("./Picture/cat.jpg"), which the game resolves
// wherever the folder lies. Written only where `dataFolder` has no such lists yet: a rebuild
// never touches the lists a user has saved.
void writeDeliveredLists(const QString &dataFolder);

} // namespace art
