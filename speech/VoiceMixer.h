#pragma once

#include "speech/SpeechEngine.h"

#include <QByteArray>

struct Mix_Chunk;

// The voice's side of the mixer, in the audio module (sound/AudioModule.h); speech/VoiceOutput.cpp
// reaches it through the module's table.
namespace lettora::voicemixer {

QByteArray toMixerFormat(const Pcm &pcm);
QByteArray loadRecording(const QByteArray &path);
QByteArray silence(int milliseconds);
Mix_Chunk *makeChunk(QByteArray &samples);
void freeChunk(Mix_Chunk *chunk);
bool play(Mix_Chunk *chunk);
void halt();
Mix_Chunk *sounding();

} // namespace lettora::voicemixer
