#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace lettora {

// What is said for a picture: the word the child must spell, as the game compares it, in lower
// case ("Cat.jpg" gives "cat"); empty when the name holds no letter.
QString spokenWord(const QByteArray &pictureName);
// A compared word as it is said: A..Z in lower case, everything else as it is.
QString lowerAsciiLetters(QString word);
// The part of a word that is said: no more than the answer row holds, as a longer word cannot be
// spelled anyway (and a name of thousands of letters would take the voice minutes to make).
QString wordToSay(const QString &word);

// What is said for a letter entered: its English name ("bee" for B) in English; in another
// language the letter alone, which the voice reads as that language names it.
QString letterName(char letter, const QString &language);

// The praise lines of a language. A language without them says the word alone for a right answer
// and nothing for the others: never English words in a foreign voice.
struct SpokenLines
{
    const char *right;  // %1 is the word
    const char *wrong;
    const char *win;
    const char *lose;
    const char *sample;  // the parents' corner's Try
};
// Null when the language ("fr", "pt-BR": its first part counts) has no lines.
const SpokenLines *spokenLines(const QString &language);

// The lines the game says.
enum class Line { Word, Letter, Right, Wrong, Win, Lose, Try };
// The text of a line in `language`: `argument` is the word (Word, Right; cut by wordToSay) or the
// letter (Letter). Empty when the language has nothing to say for it.
QString lineText(Line line, const QString &argument, const QString &language);

// The language that speaks, from those with a voice (`codes`), each also by its first part ("pt"
// for "pt-BR"): the chosen one; with none chosen, the system's, else English, else the first.
// Empty without any, and when the chosen language has no voice: never another language's voice.
QString chooseLanguage(const QList<QString> &codes, const QString &chosen, const QString &system);

// How the parents' corner names a voice's language: its English name, the region and any variant
// the code names, and the language's own name where it differs ("Portuguese (Brazil) — português").
// A code the system does not know is named by itself.
QString languageDisplayName(const QString &code);

// The recording that speaks a picture's word: a regular file beside it with its base name and the
// extension .wav, .ogg or .mp3 in any case ("cat.jpg" and "cat.WAV"), tried in that order; empty
// when there is none. A FIFO, a device or a folder of that name never counts.
QByteArray recordedWordFile(const QByteArray &picturePath);

} // namespace lettora
