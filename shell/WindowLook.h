#pragma once

#include <QFont>

class QWidget;

namespace lettora {

// The windows' common look: the small sans-serif text of the layouts (11 pixels high), and
// white dialogs.
QFont layoutFont();
void useWhiteBackground(QWidget *window);

// The application's style: the toolkit's own, but for the icons of the standard buttons (a message
// box's OK), which it would read through an image reader that asks every image plugin whether it
// reads PNG before reading it itself: eight plugins and their libraries (TIFF, WebP, MNG, ...),
// 1.2 MB, loaded for one box. The same pictures are read here as the PNG files they are.
void useOwnButtonIcons();

} // namespace lettora
