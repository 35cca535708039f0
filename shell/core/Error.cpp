#include "shell/core/Error.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringDecoder>

namespace lettora {

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

QString shownBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
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

} // namespace lettora
