#pragma once

#include <QRect>
#include <QString>

#include <array>

namespace lettora {

enum class LetterCase { Upper = 0, Lower = 1 };

// One row of the letter table: the keyboard picture's designed place and the Tops at which the
// letter sits in the answer row. The key code is the letter itself ('A' = 65).
struct LetterInfo
{
    char letter;
    QRect keyboard;  // designed position and size on the game window
    int lowerTop;    // Top in the answer row with the lower-case set (upper case is always 3)
};

inline constexpr int UpperAnswerTop = 3;
extern const std::array<LetterInfo, 26> Letters;

// The keyboard corrections a letter set applies after loading its pictures, in order.
struct KeyboardCorrection
{
    char letter;
    enum Property { Left, Top } property;
    int upper;  // NotSet: the upper-case set leaves it as it is
    int lower;
    static constexpr int NotSet = -1;
};
extern const std::array<KeyboardCorrection, 13> KeyboardCorrections;

// "A.bmp"; "./font/Upper/A.bmp" and "./font/Lower/A.bmp" for the answer row.
QString letterFileName(char letter);
QString answerPath(LetterCase set, char letter);
int answerTop(LetterCase set, char letter);

// The game's key code of a key press: a letter key is the physical key at that letter's place on
// a US keyboard, whatever layout is active (so Cyrillic, Greek, Hebrew or Arabic layouts still
// type, and AZERTY's A key is Q). `nativeScanCode` is the X key code (evdev code + 8) as X11 and
// Wayland deliver it; 0 means the platform gives none. Every other key keeps Qt's `key`.
int designedKeyCode(quint32 nativeScanCode, int key);

} // namespace lettora
