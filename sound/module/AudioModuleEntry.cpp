// The audio module's one exported function (sound/AudioModule.h). Everything else in the module is
// hidden: its own definitions of the calls the program makes through this table stay its own.

#include "sound/AudioModule.h"

#include "sound/Effects.h"
#include "sound/MediaPlayer.h"
#include "sound/module/AudioFormats.h"
#include "sound/module/MixerEffects.h"
#include "sound/module/MixerMusic.h"
#include "sound/module/VoiceMixer.h"

namespace {

// GStreamer's player, from the module of the rarer formats; null without it.
std::unique_ptr<lettora::MediaPlayer> makeFormatsMediaPlayer(const char *audioSink)
{
    const lettora::AudioFormats *formats = lettora::audioFormats();
    return std::unique_ptr<lettora::MediaPlayer>(formats ? formats->makeGstMediaPlayer(audioSink) : nullptr);
}

lettora::EffectPlayer *newEffectPlayer(const char *output)
{
    return new lettora::MixerEffectPlayer(output);
}

// The delivered tunes play through the mixer, anything else through GStreamer, loaded for the first
// such file. A sink named by a test means GStreamer alone.
lettora::MediaPlayer *newMediaPlayer(const char *audioSink)
{
    if (audioSink)
        return makeFormatsMediaPlayer(audioSink).release();
    return lettora::makeMixerMediaPlayer([] { return makeFormatsMediaPlayer(nullptr); }).release();
}

void setAllMusicVolumes(int percent)
{
    lettora::setFormatsMusicVolume(percent);
    lettora::setMixerMusicVolume(percent);
}

} // namespace

extern "C" __attribute__((visibility("default"))) const lettora::AudioModule *lettora_audio_module()
{
    using namespace lettora;
    static const AudioModule table{
        AudioModuleVersion,
        int(sizeof(AudioModule)),
        &newEffectPlayer,
        &setMixerChannelVolume,
        &newMediaPlayer,
        &setAllMusicVolumes,
        &voicemixer::toMixerFormat,
        &voicemixer::loadRecording,
        &voicemixer::silence,
        &voicemixer::makeChunk,
        &voicemixer::freeChunk,
        &voicemixer::play,
        &voicemixer::halt,
        &voicemixer::sounding,
    };
    return &table;
}
