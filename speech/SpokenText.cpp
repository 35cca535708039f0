#include "speech/SpokenText.h"

#include "game/rules/AnswerRow.h"
#include "game/rules/GameRules.h"
#include "shell/core/RegularFile.h"
#include "speech/SpeechEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <unistd.h>

namespace lettora {

namespace {

constexpr const char *EnglishLetterNames[26] = {
    "ay", "bee", "see", "dee", "ee", "ef", "jee", "aitch", "eye", "jay", "kay", "el", "em",
    "en", "oh", "pee", "cue", "ar", "ess", "tee", "you", "vee", "double you", "ex", "why", "zee"};

struct LanguageLines
{
    const char *code;
    SpokenLines lines;
};

constexpr LanguageLines Lines[] = {
    {"en", {"Yes! %1!", "Try again", "You did it! Well done!", "Oh no! Let's play again!", "cat"}},
    {"fr", {"Oui ! %1 !", "Essaie encore", "Bravo, tu as gagné !", "Oh non ! On rejoue ?", "chat"}},
    {"de", {"Ja! %1!", "Versuch es noch einmal", "Super, du hast gewonnen!", "Oh nein! Noch einmal?", "Katze"}},
    {"es", {"¡Sí! ¡%1!", "Inténtalo otra vez", "¡Muy bien, has ganado!", "¡Oh, no! ¿Otra vez?", "gato"}},
    {"it", {"Sì! %1!", "Riprova", "Bravo, hai vinto!", "Oh no! Giochiamo ancora?", "gatto"}},
    {"pt", {"Sim! %1!", "Mais uma vez", "Parabéns, ganhaste!", "Oh não! Vamos de novo?", "gato"}},
    {"nl", {"Ja! %1!", "Probeer het nog eens", "Goed gedaan, je hebt gewonnen!", "Oh nee! Nog een keer?", "kat"}},
};

constexpr const char *RecordingExtensions[] = {"wav", "ogg", "mp3"};

} // namespace

QString lowerAsciiLetters(QString word)
{
    for (QChar &c : word)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return word;
}

QString wordToSay(const QString &word)
{
    qsizetype end = std::min<qsizetype>(word.size(), AnswerRow::Slots);
    // Never half a surrogate pair.
    if (end > 0 && end < word.size() && word.at(end - 1).isHighSurrogate())
        --end;
    return word.left(end);
}

QString spokenWord(const QByteArray &pictureName)
{
    // The compared word has its a..z in upper case and everything else as it is: the reverse.
    return lowerAsciiLetters(wordOfPicture(pictureName));
}

QString letterName(char letter, const QString &language)
{
    const char lower = char(letter | 0x20);
    if (lower < 'a' || lower > 'z')
        return {};
    if (language == QLatin1String("en") || language.startsWith(QLatin1String("en-")))
        return QLatin1String(EnglishLetterNames[lower - 'a']);
    return QString(QLatin1Char(lower));
}

const SpokenLines *spokenLines(const QString &language)
{
    const QString base = language.section(QLatin1Char('-'), 0, 0).toLower();
    for (const LanguageLines &entry : Lines)
        if (base == QLatin1String(entry.code))
            return &entry.lines;
    return nullptr;
}

QString lineText(Line line, const QString &argument, const QString &language)
{
    const SpokenLines *lines = spokenLines(language);
    switch (line) {
    case Line::Word:
        return wordToSay(argument);
    case Line::Letter:
        return argument.size() == 1 ? letterName(argument.at(0).toLatin1(), language) : QString();
    case Line::Right:
        return lines ? QString::fromUtf8(lines->right).arg(wordToSay(argument)) : wordToSay(argument);
    case Line::Wrong:
        return lines ? QString::fromUtf8(lines->wrong) : QString();
    case Line::Win:
        return lines ? QString::fromUtf8(lines->win) : QString();
    case Line::Lose:
        return lines ? QString::fromUtf8(lines->lose) : QString();
    case Line::Try:
        // Without words of that language here: its letters.
        return lines ? QString::fromUtf8(lines->sample)
                     : QStringList{letterName('a', language), letterName('b', language), letterName('c', language)}
                           .join(QStringLiteral(", "));
    }
    return {};
}

QString chooseLanguage(const QList<QString> &codes, const QString &chosen, const QString &system)
{
    auto pick = [&codes](const QString &wanted) -> QString {
        const QString code = normalLanguageCode(wanted);
        if (code.isEmpty())
            return {};
        if (codes.contains(code))
            return code;
        const QString base = code.section(QLatin1Char('-'), 0, 0);
        return codes.contains(base) ? base : QString();
    };
    if (!chosen.trimmed().isEmpty())
        return pick(chosen);
    for (const QString &wanted : {system, QStringLiteral("en")})
        if (const QString code = pick(wanted); !code.isEmpty())
            return code;
    return codes.isEmpty() ? QString() : codes.first();
}

QByteArray recordedWordFile(const QByteArray &picturePath)
{
    if (picturePath.isEmpty())
        return {};
    const QFileInfo picture(QFile::decodeName(picturePath));
    const QString base = picture.completeBaseName();
    if (base.isEmpty())
        return {};
    const QDir dir = picture.absoluteDir();
    // The folder is listed once, as the extension may be in any case (no name filter: a name may
    // hold wildcard characters).
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden, QDir::Unsorted);
    for (const char *extension : RecordingExtensions) {
        for (const QString &name : names) {
            if (name.size() != base.size() + 1 + qsizetype(qstrlen(extension)) || !name.startsWith(base)
                || name.mid(base.size() + 1).compare(QLatin1String(extension), Qt::CaseInsensitive) != 0)
                continue;
            const QByteArray path = QFile::encodeName(dir.filePath(name));
            QString reason;
            const int fd = openRegularFile(path, reason);
            if (fd < 0)
                continue;
            ::close(fd);
            return path;
        }
    }
    return {};
}

QString languageDisplayName(const QString &code)
{
    // Mandarin's code is not one the system's locale data knows.
    if (code.startsWith(QLatin1String("cmn"), Qt::CaseInsensitive))
        return code.size() == 3 ? QStringLiteral("Chinese (Mandarin)") : QStringLiteral("Chinese (Mandarin, Pinyin)");
    const QStringList parts = code.split(QRegularExpression(QStringLiteral("[-_]")), Qt::SkipEmptyParts);
    const QLocale locale(code);
    if (parts.isEmpty() || locale.language() == QLocale::C)
        return code;
    QStringList details;
    QString nativeName = locale.nativeLanguageName();
    qsizetype variant = 1;
    // A second part of two letters or three digits is a region ("gb", "419").
    static const QRegularExpression region(QStringLiteral("^([A-Za-z]{2}|[0-9]{3})$"));
    if (parts.size() > 1 && region.match(parts.at(1)).hasMatch()) {
        details << QLocale::territoryToString(locale.territory());
        if (!locale.nativeTerritoryName().isEmpty())
            nativeName = locale.nativeLanguageName() + QStringLiteral(" (") + locale.nativeTerritoryName() + QLatin1Char(')');
        variant = 2;
    } else {
        // The language's own name without the region that the locale data adds ("American English").
        nativeName = QLocale(locale.language(), QLocale::AnyScript, QLocale::AnyTerritory).nativeLanguageName();
    }
    const QStringList rest = parts.mid(variant).filter(QRegularExpression(QStringLiteral("^(?!x$).+")));
    if (!rest.isEmpty())
        details << rest.join(QLatin1Char(' '));
    QString name = QLocale::languageToString(locale.language());
    if (!details.isEmpty())
        name += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
    // English calls itself "American English" or "British English": nothing to add.
    if (!nativeName.isEmpty() && !nativeName.contains(QLocale::languageToString(locale.language()), Qt::CaseInsensitive))
        name += QStringLiteral(" \u2014 ") + nativeName;
    return name;
}

} // namespace lettora
