#pragma once

#include "sound/Pcm.h"

#include <QByteArray>

namespace lettora {
struct MixerChunk;
}

// The voice's side of the mixer, in the audio module (sound/AudioModule.h); speech/VoiceOutput.cpp
// reaches it through the module's table.
namespace lettora::voicemixer {

QByteArray toMixerFormat(const Pcm &pcm);
QByteArray loadRecording(const QByteArray &path);
QByteArray silence(int milliseconds);
MixerChunk *makeChunk(QByteArray &samples);
void freeChunk(MixerChunk *chunk);
bool play(MixerChunk *chunk);
void halt();
const MixerChunk *sounding();

} // namespace lettora::voicemixer
