#include "shell/WindowLook.h"

#include <QWidget>

namespace lettora {

QFont layoutFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    return font;
}

void useWhiteBackground(QWidget *window)
{
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);
    window->setAutoFillBackground(true);
}

} // namespace lettora
