#include "shell/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace lettora {

namespace {
MessageHook &hook()
{
    static MessageHook h;
    return h;
}

// A box with no parent, centred on the primary screen and kept above the game window.
void showBox(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    if (hook()) {
        hook()(caption, text);
        return;
    }
    QMessageBox box(icon, caption, breakableText(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = box.frameGeometry();
        r.moveCenter(screen->geometry().center());
        box.move(r.topLeft());
    }
    box.exec();
}
} // namespace

void reportError(const QString &text)
{
    showBox(QMessageBox::Critical, currentApplicationTitle(), withFullStop(text));
}

void showInformation(const QString &text)
{
    showBox(QMessageBox::Information, QString::fromLatin1(messages::InformationCaption), text);
}

void setMessageHook(MessageHook h)
{
    hook() = std::move(h);
}

} // namespace lettora
