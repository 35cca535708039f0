#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

namespace lettora {

// The one quiet line at the foot of a parents' corner page: what could not be done, said without a
// box, in a muted colour.
inline QLabel *makeQuietNote(QWidget *page, const char *objectName, QColor colour = Qt::darkGray)
{
    auto *note = new QLabel(page);
    note->setObjectName(QLatin1String(objectName));
    QPalette quiet = note->palette();
    quiet.setColor(QPalette::WindowText, colour);
    note->setPalette(quiet);
    return note;
}

} // namespace lettora
