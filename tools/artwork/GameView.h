#pragma once

#include <QString>

namespace art {

// The welcome screen's small view of the game: the real game window, drawn offscreen from the
// art just made, with a starter picture showing and "cat" typed.
void drawGameView(const QString &dir);

} // namespace art
