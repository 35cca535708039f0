#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace lettora {

// The word a picture stands for: its file name without the extension (from the last dot on;
// a name without a dot is the word whole), with a..z upper-cased and nothing else changed.
// "Cat.bmp" gives "CAT", "sun.jpeg" gives "SUN", ".bmp" gives the empty word.
QString wordOfPicture(const QByteArray &fileName);

// The life icon (1 .. 3) that goes when the lives fall to `lives`: 2 hides the third, 1 the
// second, 0 the first; any other value hides none (0).
int lifeIconToHide(int lives);

// The index drawn from a list whose last index is `lastIndex` (>= 0): uniform over
// 0 .. lastIndex - 1, so the last entry is never drawn while another one remains; 0 when it is
// the only one. The generator is seeded anew from the clock at every draw.
int randomPick(int lastIndex);

// Tests replace the uniform source: given n > 0, a number from 0 to n - 1.
void setUniformSource(std::function<int(int n)> source);

} // namespace lettora
