#pragma once

#include <QString>
#include <QStringList>

namespace art {

// The four sound effects (16-bit mono WAV) and the welcome tune (standard MIDI file).
void writeSounds(const QString &dir);
void writeWelcomeTune(const QString &file);

// Three cheerful background tunes in the Music folder.
void writeBackgroundTunes(const QString &dir);
QStringList backgroundTuneNames();

} // namespace art
