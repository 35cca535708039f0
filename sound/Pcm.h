#pragma once

#include <QByteArray>

namespace lettora {

// Samples such as a spoken line: 16-bit signed mono in the machine's byte order, at `rate` samples a second.
struct Pcm
{
    QByteArray samples;
    int rate = 0;
    qsizetype frames() const { return samples.size() / 2; }
};

} // namespace lettora
