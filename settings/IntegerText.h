#pragma once

#include <QString>

#include <cstdint>

namespace lettora {

// A whole number typed by the user: leading blanks, an optional sign, then decimal digits that
// fit in a signed 32-bit integer, or hexadecimal digits after "$", "x", "X", "0x" or "0X" taken as
// a 32-bit pattern ("$FFFFFFFF" is -1). Nothing may follow. Anything else raises
// "'text' is not a valid integer value".
std::int32_t textToInt(const QString &text);

} // namespace lettora
