#pragma once

#include <QFont>

class QCheckBox;
class QScrollBar;
class QWidget;

namespace lettora {

// The windows' common look: the small sans-serif text of the layouts (11 pixels high), and
// white dialogs.
QFont layoutFont();
void useWhiteBackground(QWidget *window);

// The application's style: the toolkit's own, but for the icons of the standard buttons (a message
// box's OK), which it would read through an image reader that asks every image plugin whether it
// reads PNG before reading it itself: eight plugins and their libraries (TIFF, WebP, MNG, ...),
// 1.2 MB, loaded for one box. The same pictures, the game's own copies (shell/buttons), are read
// here as the PNG files they are.
void useOwnButtonIcons();

// A flat scroll bar, 2 pixels thick, without arrow buttons, its handle lighting up under the
// pointer; and a check box whose text starts a given number of pixels clear of its box. Both are
// drawn by small styles of their own rather than style sheets: one style sheet brings Qt's
// style-sheet engine in with its rules, 0.4 MB more for the game window at start.
void makeThin(QScrollBar *bar);
void setLabelSpacing(QCheckBox *box, int clearPixels);

} // namespace lettora
