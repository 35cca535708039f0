#pragma once

#include "sound/Channels.h"

#include <QByteArray>

#include <cstdint>

namespace lettora {

// The rate the mixer asks for (the sound server may give another), and a channel's full volume.
inline constexpr int MixerRate = 44100;
inline constexpr int MixerMaxVolume = 128;

// A sound ready for the mixer: 16-bit samples at the mixer's rate and channel count.
struct MixerChunk
{
    QByteArray samples;
};

// The game's mixer: two channels (effects and the voice, each replacing what it plays) over one
// music stream, played on a thread of its own to the sound server or the sound card
// (sound/module/AudioOutput.h). All it needs of a mixer and no more, so that no other library comes in with it. Each open is paired with a close; the last close closes the device. All
// of it from any thread, doing nothing while the mixer is closed. Built into the audio module; seen from outside it by the test programs.
namespace mixer {

struct Format
{
    int rate = 0;
    int channels = 0;
    int frameBytes() const { return channels * 2; }
};

// Opens the output at MixerRate, two channels of 16-bit samples, `bufferFrames` a block: the one
// named (sound/module/AudioOutput.h; "null" plays nowhere), else the one named by LETTORA_AUDIO_OUTPUT, else
// the sound server or the sound card. False when none answers.
bool open(int bufferFrames, const char *output);
// The last close halts everything: nothing touches a chunk or the music after it returns. True
// when it was the last.
bool close();
// False while the mixer is closed.
__attribute__((visibility("default"))) bool format(Format &out);

// Replaces what the channel plays. The chunk stays the caller's, and must outlive its playing (free
// it with freeChunk, which halts it first).
__attribute__((visibility("default"))) bool play(int channel, const MixerChunk *chunk);
__attribute__((visibility("default"))) void halt(int channel);  // -1: every channel
// What the channel plays; null while it is silent.
__attribute__((visibility("default"))) const MixerChunk *sounding(int channel);
void setVolume(int channel, int volume);  // 0 .. MixerMaxVolume
__attribute__((visibility("default"))) int volume(int channel);

// The music stream, mixed in first under the channels: `fill` adds its samples into the stream
// (which holds silence when it is called), on the mixer's thread, and says whether a track sounds.
// Called outside the mixer's lock: the channels' calls never wait for it (so a fill replaced may
// still finish its block after setMusic returns). Null for none.
using MusicFill = bool (*)(std::uint8_t *stream, int bytes);
__attribute__((visibility("default"))) void setMusic(MusicFill fill);
// Tells a resting output that something is to play (the music calls it when a track starts).
void wake();

// 16-bit interleaved samples at their own rate and channel count, in the mixer's format; empty
// while the mixer is closed.
QByteArray convert(const QByteArray &samples, int rate, int channels);
// An effect or a recorded word: a sound file (sound/module/SoundFile.h) read whole, at most
// LongestSoundSeconds, in the mixer's format; empty when it cannot be read or the mixer is closed.
inline constexpr int LongestSoundSeconds = 60;
QByteArray readSound(const QByteArray &path);
// Halts the chunk wherever it plays.
void haltChunk(const MixerChunk *chunk);
// Deletes a chunk made with new, halting it first.
void freeChunk(MixerChunk *chunk);

} // namespace mixer

} // namespace lettora
