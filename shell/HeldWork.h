#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace lettora {

// Work that can wait (the pictures' sharper copies, the fonts' warm-up, the sound output) waits
// while a window of the game is being put on the screen, so that the window manager and the X
// server have the processor: begun at the game window's first paint, it made the window seen 12 ms
// later (medians of 20 starts on two cores). Held for the welcome screen too, it made no
// difference there that these starts could tell.
// From `holdWork`, `runWhenSeen` keeps the work (dropped if `context` is gone by then) until every
// hold is released; without a hold it runs at once.
void holdWork();
void runWhenSeen(QObject *context, std::function<void()> work);
// Releases one hold once `window`, just shown, is on the screen: 150 ms after its first paint (or
// a second after this call if it is never painted).
void releaseWorkWhenSeen(QWidget *window);

} // namespace lettora
