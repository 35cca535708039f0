#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace art {

constexpr int TuneRate = 44100;

// A MIDI file rendered with a SoundFont to interleaved 16-bit stereo at TuneRate, as the game's
// synthesiser plays it (the same gain, reverb and chorus), with the last notes' release and no
// trailing silence. Empty when either file cannot be read.
std::vector<std::int16_t> renderMidi(const QString &midiFile, const QString &soundFont);

// Writes interleaved 16-bit stereo at TuneRate as Ogg Vorbis, with one comment ("KEY=value") if
// given; false when it cannot.
bool writeOggVorbis(const QString &file, const std::vector<std::int16_t> &pcm, const QByteArray &comment = {});

// The recording of a MIDI file that plays in its place (lettora::midiRecordingComment): `midiFile`
// rendered with `soundFont` to the .ogg of its name beside it; false when it cannot.
bool recordMidi(const QString &midiFile, const QString &soundFont);

} // namespace art
