#include "game/rules/LetterSet.h"

#include "shell/core/AssetPaths.h"

#include <string_view>

namespace lettora {

// Row 1 at Top 440, row 2 at Top 504; widths are the designed ones, the pictures decide the rest.
const std::array<LetterInfo, 26> Letters = {{
    {'A', {48, 440, 44, 50}, 18},  {'B', {96, 440, 32, 50}, 3},   {'C', {136, 440, 47, 50}, 18},
    {'D', {192, 440, 40, 50}, 3},  {'E', {240, 440, 28, 50}, 18}, {'F', {280, 440, 26, 50}, 3},
    {'G', {312, 440, 49, 50}, 18}, {'H', {368, 440, 35, 50}, 3},  {'I', {416, 440, 8, 50}, 3},
    {'J', {432, 440, 28, 50}, 1},  {'K', {480, 440, 34, 50}, 3},  {'L', {528, 440, 26, 50}, 3},
    {'M', {568, 440, 49, 50}, 18}, {'N', {42, 504, 39, 50}, 18},  {'O', {86, 504, 49, 50}, 18},
    {'P', {144, 504, 31, 50}, 18}, {'Q', {184, 504, 50, 50}, 18}, {'R', {240, 504, 33, 50}, 18},
    {'S', {280, 504, 29, 50}, 18}, {'T', {320, 504, 26, 50}, 18}, {'U', {352, 504, 32, 50}, 18},
    {'V', {392, 504, 42, 50}, 18}, {'W', {440, 504, 58, 50}, 18}, {'X', {504, 504, 41, 50}, 18},
    {'Y', {552, 504, 37, 50}, 18}, {'Z', {592, 504, 30, 50}, 18},
}};

// Q is moved by the lower-case set only, so it stays at 187 after a switch back to upper case.
const std::array<KeyboardCorrection, 13> KeyboardCorrections = {{
    {'A', KeyboardCorrection::Top, 440, 453},
    {'C', KeyboardCorrection::Top, 440, 453},
    {'C', KeyboardCorrection::Left, 136, 143},
    {'E', KeyboardCorrection::Top, 440, 453},
    {'G', KeyboardCorrection::Top, 440, 453},
    {'G', KeyboardCorrection::Left, 312, 317},
    {'J', KeyboardCorrection::Left, 432, 439},
    {'J', KeyboardCorrection::Top, 440, 435},
    {'M', KeyboardCorrection::Left, 568, 565},
    {'M', KeyboardCorrection::Top, 440, 453},
    {'O', KeyboardCorrection::Left, 86, 95},
    {'P', KeyboardCorrection::Left, 144, 142},
    {'Q', KeyboardCorrection::Left, KeyboardCorrection::NotSet, 187},
}};

namespace {
// The three letter rows of a US keyboard, each from its first key's evdev code.
struct LetterKeyRow
{
    quint32 firstEvdevCode;
    std::string_view letters;
};
constexpr LetterKeyRow LetterKeyRows[] = {{16, "QWERTYUIOP"}, {30, "ASDFGHJKL"}, {44, "ZXCVBNM"}};
constexpr quint32 XKeyCodeOffset = 8;
} // namespace

int designedKeyCode(quint32 nativeScanCode, int key)
{
    if (nativeScanCode >= XKeyCodeOffset) {
        const quint32 evdev = nativeScanCode - XKeyCodeOffset;
        for (const LetterKeyRow &row : LetterKeyRows) {
            if (evdev >= row.firstEvdevCode && evdev - row.firstEvdevCode < row.letters.size())
                return row.letters[evdev - row.firstEvdevCode];  // 'A' is the key code 65
        }
    }
    return key;
}

QString letterFileName(char letter)
{
    return QLatin1Char(letter) + QStringLiteral(".bmp");
}

QString answerPath(LetterCase set, char letter)
{
    const char *folder = set == LetterCase::Upper ? paths::AnswerUpperFolder : paths::AnswerLowerFolder;
    return QLatin1String(folder) + letterFileName(letter);
}

int answerTop(LetterCase set, char letter)
{
    return set == LetterCase::Upper ? UpperAnswerTop : Letters[letter - 'A'].lowerTop;
}

} // namespace lettora
