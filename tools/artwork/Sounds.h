#pragma once

#include <QString>

namespace art {

// The four sound effects (16-bit mono WAV) and the welcome tune (standard MIDI file).
void writeSounds(const QString &dir);
void writeWelcomeTune(const QString &file);

// Three cheerful background tunes in the Music folder, and the music lists that name them where
// the Data folder has none yet.
void writeBackgroundTunes(const QString &dir);

} // namespace art
