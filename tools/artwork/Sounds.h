#pragma once

#include <QString>
#include <QStringList>

namespace art {

// The four sound effects (16-bit mono WAV) and the welcome tune (standard MIDI file, with a
// soundfont of just its instruments beside it).
void writeSounds(const QString &dir);
void writeWelcomeTune(const QString &file);

// Three cheerful background tunes in the Music folder: MIDI files, and their recordings in Ogg
// Vorbis that the delivered music list names.
void writeBackgroundTunes(const QString &dir);
QStringList backgroundTuneNames();

} // namespace art
