#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace lettora {

struct MixerChunk;

class EffectPlayer;
class MediaPlayer;
struct Pcm;

// The sound libraries (the sound server's client, the Vorbis decoder and what they pull in) stay out of the start: the
// code that calls them is a module beside the executable, opened on the first sound (and the rarer
// formats are a second module, opened by this one: sound/module/AudioFormats.h).
// Its one exported function gives this table. Without the module, or without one of its libraries,
// the game runs silent.
struct AudioModule
{
    int version;
    int size;  // sizeof(AudioModule) where it was built

    // Effects (sound/module/MixerEffects.h): opens the mixer now.
    EffectPlayer *(*makeEffectPlayer)(const char *output);
    void (*setChannelVolume)(int channel, int percent);

    // Music (sound/MediaPlayer.h).
    MediaPlayer *(*makeMediaPlayer)(const char *audioSink);
    void (*setMusicVolume)(int percent);

    // The voice on its mixer channel (speech/VoiceOutput.h).
    QByteArray (*toMixerFormat)(const Pcm &pcm);
    QByteArray (*loadRecording)(const QByteArray &path);
    QByteArray (*mixerSilence)(int milliseconds);
    MixerChunk *(*makeChunk)(QByteArray &samples);  // the samples stay the caller's
    void (*freeChunk)(MixerChunk *chunk);
    bool (*playVoice)(MixerChunk *chunk);
    void (*haltVoice)();
    const MixerChunk *(*soundingVoice)();  // null while the voice channel is silent
};

inline constexpr int AudioModuleVersion = 2;
// The module's file in the executable's folder, and its exported function.
inline constexpr const char *AudioModuleFile = "liblettora-audio.so";
inline constexpr const char *AudioModuleEntry = "lettora_audio_module";

// The module, loaded on the first call (any thread; RTLD_LOCAL, never unloaded); null when it
// cannot be loaded. A program that links the module itself (the tests) gets that one.
const AudioModule *audioModule();

// The module only if it is loaded already: what matters only once a sound has played (halting the
// voice at the end of a run) never loads it.
const AudioModule *loadedAudioModule();

// The module's effect player, opening the mixer on the calling thread; null without the module.
// While it opens, the levels set on the GUI thread are only kept: nothing may touch the mixer then.
std::unique_ptr<EffectPlayer> openModuleEffectPlayer(const char *output);
// The levels set last, onto the open mixer; GUI thread.
void applyChannelVolumes();

} // namespace lettora

extern "C" const lettora::AudioModule *lettora_audio_module();
