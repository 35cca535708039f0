#pragma once

#include <QFont>

class QWidget;

namespace lettora {

// The windows' common look: the small sans-serif text of the layouts (11 pixels high), and
// white dialogs.
QFont layoutFont();
void useWhiteBackground(QWidget *window);

} // namespace lettora
