#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
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

// The module's effect player (sound/module/MixerEffects.h) with the levels set last: one channel
// for effects, so a new effect cuts the sounding one off and nothing is queued; each file is loaded
// once and kept. A file that is missing or cannot be read plays the default sound. Without a sound
// server it plays nothing and never waits. `output` names the mixer's output ("null" in tests,
// sound/module/AudioOutput.h); null for the sound server or the sound card. It loads the audio
// module and opens the mixer at once; null without the module.
std::unique_ptr<EffectPlayer> makeModuleEffectPlayer(const char *output = nullptr);

// The game's music player: a proxy that forwards to the module's player, made at its first Open
// (the mixer's for the delivered tunes, else GStreamer's). `audioSink` names a GStreamer sink for
// tests ("fakesink"), which means GStreamer alone; null plays to the system's sound output. Without
// the module a track opens only when it is a regular file, and then plays silently, never ending.
std::unique_ptr<MediaPlayer> makeModuleMediaPlayer(const char *audioSink = nullptr);

// The music's volume in percent (0 .. 100), on every player now and later.
void setMusicVolume(int percent);

// Every player of the program is made here (makeModuleMediaPlayer); tests put their own maker in
// its place.
using MediaPlayerMaker = std::function<std::unique_ptr<MediaPlayer>()>;
void setMediaPlayerMaker(MediaPlayerMaker maker);
std::unique_ptr<MediaPlayer> makeMediaPlayer();

} // namespace lettora

extern "C" const lettora::AudioModule *lettora_audio_module();
