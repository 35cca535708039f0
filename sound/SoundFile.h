#pragma once

#include <QByteArray>

namespace lettora {

// A sound file read whole, 16-bit interleaved at its own rate and channel count.
struct SoundFileSamples
{
    QByteArray samples;
    int rate = 0;
    int channels = 0;
};

// WAV of any encoding, Ogg Vorbis, Opus and FLAC by libsndfile, MP3 by mpg123 (both loaded with the
// sound server's client library in any case), told apart by their content. Only a regular file is
// read, and at most `mostSeconds` of it. False when it is none of these.
bool readSoundFile(const QByteArray &path, int mostSeconds, SoundFileSamples &out);

} // namespace lettora
