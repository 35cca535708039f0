#include "parents/PictureWords.h"

#include "game/rules/AnswerRow.h"
#include "game/rules/GameRules.h"
#include "settings/ListPair.h"

#include <QRegularExpression>
#include <QStringList>

namespace lettora {

namespace {
bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// The a..z spelling of a letter with an accent or a ligature; empty for any other letter.
QString folded(QChar c)
{
    switch (c.unicode()) {
    case 0x00DF: return QStringLiteral("ss");  // ß
    case 0x00E6: return QStringLiteral("ae");  // æ
    case 0x00C6: return QStringLiteral("AE");
    case 0x0153: return QStringLiteral("oe");  // œ
    case 0x0152: return QStringLiteral("OE");
    case 0x00F8: return QStringLiteral("o");   // ø
    case 0x00D8: return QStringLiteral("O");
    case 0x0142: return QStringLiteral("l");   // ł
    case 0x0141: return QStringLiteral("L");
    case 0x0111: return QStringLiteral("d");   // đ
    case 0x0110: return QStringLiteral("D");
    case 0x00F0: return QStringLiteral("d");   // ð
    case 0x00D0: return QStringLiteral("D");
    case 0x00FE: return QStringLiteral("th");  // þ
    case 0x00DE: return QStringLiteral("TH");
    case 0x0131: return QStringLiteral("i");   // dotless i
    default: break;
    }
    const QString parts = QString(c).normalized(QString::NormalizationForm_KD);
    QString letters;
    for (QChar p : parts) {
        if (isAsciiLetter(p))
            letters += p;
        else if (!p.isMark())
            return {};
    }
    return letters;
}

enum class Kind { Letter, Space, Digit, Accent, Punctuation, OtherLetter };

Kind kindOf(QChar c)
{
    if (isAsciiLetter(c))
        return Kind::Letter;
    if (c.isSpace())
        return Kind::Space;
    if (c.isDigit())
        return Kind::Digit;
    if (c.isLetter() || c.isMark())
        return folded(c).isEmpty() ? Kind::OtherLetter : Kind::Accent;
    return Kind::Punctuation;
}

// "a, b and c"
QString listed(const QStringList &items)
{
    if (items.size() <= 1)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}
} // namespace

QString PictureWords::wordPart(const QByteArray &name)
{
    const QString shown = ListPair::display(name);
    const qsizetype dot = shown.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? shown : shown.left(dot);
}

QString PictureWords::problem(const QByteArray &name)
{
    const QString word = wordOfPicture(name);
    if (word.isEmpty())
        return QLatin1String(NoWord);
    bool has[6] = {};
    for (QChar c : word)
        has[int(kindOf(c))] = true;
    QStringList kinds;
    const std::pair<Kind, const char *> named[] = {{Kind::Space, HasSpace},
                                                   {Kind::Digit, HasDigit},
                                                   {Kind::Accent, HasAccent},
                                                   {Kind::OtherLetter, HasOtherLetter},
                                                   {Kind::Punctuation, HasPunctuation}};
    for (const auto &[kind, text] : named)
        if (has[int(kind)])
            kinds << QLatin1String(text);
    QStringList parts;
    if (!kinds.isEmpty())
        parts << QStringLiteral("Has ") + listed(kinds);
    if (word.size() > AnswerRow::Slots) {
        const QString tooLong = QString::fromLatin1(TooLong).arg(AnswerRow::Slots);
        parts << (parts.isEmpty() ? tooLong : tooLong.toLower());
    }
    return parts.join(QStringLiteral("; "));
}

bool PictureWords::isCameraName(const QByteArray &name)
{
    static const QRegularExpression cameraPrefix(
        QStringLiteral("^(img|dsc[nf]?|pxl|vid|mvimg|pano|dcim|screenshot|screen shot|whatsapp image|photo|image)"
                       "([ _-]|\\d)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString word = wordPart(name);
    if (cameraPrefix.match(word).hasMatch())
        return true;
    int letters = 0, digits = 0;
    for (QChar c : word) {
        if (c.isDigit())
            ++digits;
        else if (c.isLetter())
            ++letters;
    }
    return letters == 0 || digits > letters;
}

QString PictureWords::suggestion(const QByteArray &name)
{
    if (isCameraName(name))
        return {};
    QString word;
    for (QChar c : wordPart(name)) {
        switch (kindOf(c)) {
        case Kind::Letter: word += c; break;
        case Kind::Accent: word += folded(c); break;
        default: break;  // spaces, digits, punctuation and letters beyond a..z are left out
        }
    }
    return word;
}

QByteArray PictureWords::renamed(const QByteArray &oldName, const QString &word)
{
    QByteArray entry = word.toUtf8();
    entry.replace('\r', QByteArray()).replace('\n', QByteArray()).replace('\0', QByteArray());
    const qsizetype dot = oldName.lastIndexOf('.');
    return dot < 0 ? entry : entry + oldName.mid(dot);
}

} // namespace lettora
