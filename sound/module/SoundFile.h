#pragma once

#include <QByteArray>

namespace lettora {

// WAV of any encoding, Ogg Vorbis, Opus and FLAC by libsndfile, MP3 by mpg123 (both loaded with the
// sound server's client library in any case), told apart by their content. Only a regular file is
// read, and at most `mostSeconds` of it, converted as it is read to 16-bit interleaved samples at
// `rate` and `channels`: whatever the file's own rate and channel count, only a block of its own
// samples is held at a time. Empty when it is none of these. Seen from outside the audio module by
// the test programs.
__attribute__((visibility("default"))) QByteArray readSoundFile(const QByteArray &path, int mostSeconds, int rate,
                                                                int channels);

} // namespace lettora
