#pragma once

#include <QSize>

class QScreen;

namespace lettora {

// Qt scales by a factor of its own per screen (what QT_SCREEN_SCALE_FACTORS sets at start); only
// its private API sets it while the program runs. Every use of that API is here, reached by name at
// run time and only when the Qt the program runs on is the very one it was built against, so that
// the program links no private symbol and runs on any later Qt 6. On another Qt the factor stays
// as the desktop set it: the windows keep their design size on a larger screen instead of filling
// it, and a switch of the display size is not followed by a new factor.
namespace qtscreen {

// True when the factor can be set (the Qt built against, its private calls found).
bool canSetFactor();
// The screen's own pixels (its free area, or the whole screen), its factor, and setting it; where
// the factor cannot be set, the same measured through the public API, and setting does nothing.
QSize platformSize(const QScreen *screen, bool wholeScreen);
qreal factor(const QScreen *screen);
void setFactor(QScreen *screen, qreal factor);

} // namespace qtscreen

} // namespace lettora
