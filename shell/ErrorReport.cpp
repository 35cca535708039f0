#include "shell/ErrorReport.h"

#include <QApplication>
#include <QFileInfo>
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

QString quotedName(const QString &nameOrPath)
{
    if (nameOrPath.size() <= MaxQuotedLength)
        return nameOrPath;
    qsizetype head = (MaxQuotedLength - 1) / 2;
    qsizetype tail = MaxQuotedLength - 1 - head;
    // Never half a character: a surrogate pair stays whole or goes whole.
    if (nameOrPath.at(head - 1).isHighSurrogate())
        --head;
    if (nameOrPath.at(nameOrPath.size() - tail).isLowSurrogate())
        --tail;
    return nameOrPath.left(head) + QChar(0x2026) + nameOrPath.right(tail);
}

QString breakableText(const QString &text)
{
    QString shown;
    shown.reserve(text.size() + text.size() / BreakableRun);
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        run = c.isSpace() ? 0 : run + 1;
        // Never between the two halves of a character.
        if (run > BreakableRun && !c.isLowSurrogate()) {
            shown += QChar(0x200B);  // zero-width space: a place to wrap, invisible
            run = 1;
        }
        shown += c;
    }
    return shown;
}

QString withFullStop(const QString &text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

QString applicationTitle(const QString &executableFileName)
{
    QString title = executableFileName.section(QLatin1Char('.'), 0, 0);
    if (title.size() > 1)
        title = title.left(1) + title.mid(1).toLower();
    return title;
}

QString currentApplicationTitle()
{
    return applicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

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
