#include "game/rules/AnswerRow.h"

namespace lettora {

QString upperAsciiLetters(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return text;
}

int AnswerRow::FindFreeSlot() const
{
    for (int slot = 1; slot <= Slots; ++slot) {
        if (SlotFilled[slot] != 1)
            return slot;
    }
    return Full;
}

QString AnswerRow::typedWord() const
{
    QString word;
    for (int slot = 1; slot <= Slots; ++slot) {
        if (SlotFilled[slot] == 1)
            word += QLatin1Char(LetterCodes[slot]);
    }
    return upperAsciiLetters(word);
}

} // namespace lettora
