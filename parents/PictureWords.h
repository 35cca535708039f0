#pragma once

#include <QByteArray>
#include <QString>

namespace lettora {

// What a picture's name means to the child who has to spell it: the word the game takes from it,
// why the child could not type that word, and the word a parent would most likely give instead.
class PictureWords
{
public:
    static constexpr const char *HasSpace = "a space";
    static constexpr const char *HasDigit = "a digit";
    static constexpr const char *HasAccent = "an accent";
    static constexpr const char *HasPunctuation = "punctuation";
    static constexpr const char *HasOtherLetter = "a letter other than a to z";
    static constexpr const char *NoWord = "No word";
    static constexpr const char *TooLong = "Longer than %1 letters";
    static constexpr const char *AskForWord = "Type the word for this picture";

    // The part of a name the parent edits: the name without its extension, shown as the list's
    // bytes are ("ice cream" for "ice cream.jpg").
    static QString wordPart(const QByteArray &name);
    // Why the child cannot type the name's word, in plain words ("Has a space and a digit",
    // "No word", "Longer than 20 letters"); empty when the word can be typed.
    static QString problem(const QByteArray &name);
    // The word a parent would give: spaces, punctuation and digits left out, accents folded to
    // a..z ("crème" gives "creme"); empty for a camera's own name, which holds no word to keep.
    static QString suggestion(const QByteArray &name);
    // True for a name a camera or a phone made up ("IMG_20261204_1832.jpg").
    static bool isCameraName(const QByteArray &name);
    // The name entry that gives `word`: the word, then the old name's extension (from its last
    // dot on), in UTF-8. Line breaks are left out, as they would split the entry.
    static QByteArray renamed(const QByteArray &oldName, const QString &word);
};

} // namespace lettora
