#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace lettora {

// Upper-cases the letters a..z only; every other character stays as it is.
QString upperAsciiLetters(QString text);

// The answer row's state: 20 slots, each with the letter entered into it and a filled flag.
// Letters take the lowest free slot; slots are freed only all at once. Indexes are 1 .. 20.
class AnswerRow
{
public:
    static constexpr int Slots = 20;
    static constexpr int Full = Slots + 1;
    static constexpr int HomeTop = 3;

    // Where slot i's picture rests while it is empty: 3, 19, 35, ... 307.
    static constexpr int homeLeft(int slot) { return 3 + 16 * (slot - 1); }

    // The lowest slot whose flag is not 1, or 21 when all 20 are filled.
    int FindFreeSlot() const;

    void storeLetter(int slot, char letter) { LetterCodes[slot] = letter; }
    void markFilled(int slot) { SlotFilled[slot] = 1; }
    bool isFilled(int slot) const { return SlotFilled[slot] == 1; }
    // Frees all 20 slots; the letters stay stored, unused until their slots fill again.
    void clearFlags() { SlotFilled.fill(0); }

    // The letters of the filled slots in slot order, upper-cased.
    QString typedWord() const;

    // Left at which the next letter's picture goes, inside the scroll box.
    int NextLetterLeft = 0;
    // Index 0 is unused so that slot numbers read as they are.
    std::array<char, Slots + 1> LetterCodes{};
    std::array<std::uint8_t, Slots + 1> SlotFilled{};
};

} // namespace lettora
