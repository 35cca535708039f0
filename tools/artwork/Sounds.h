#pragma once

#include <QString>

namespace art {

// The four sound effects (16-bit mono WAV) and the welcome tune (standard MIDI file).
void writeSounds(const QString &dir);
void writeWelcomeTune(const QString &file);

} // namespace art
