#pragma once

#include <QByteArray>
#include <QString>

namespace lettora {

class MediaPlayer;
class MixerTrack;

// What the game plays only for a file a parent chose: music in any format GStreamer reads, and a
// MIDI file with no recording of it (FluidSynth and its soundfont). The libraries for these (some
// forty with what they pull in) are a second module beside the audio module, opened by it on the
// first such file. Its one exported function gives this table.
struct AudioFormats
{
    int version;
    int size;  // sizeof(AudioFormats) where it was built

    // Music through GStreamer's playbin (sound/formats/GstMediaPlayer.h); `audioSink` names a sink (tests).
    MediaPlayer *(*makeGstMediaPlayer)(const char *audioSink);
    void (*setGstMusicVolume)(int percent);
    // A MIDI file's bytes synthesised at `rate` with `soundFont`, `length` ms long; null when the
    // soundfont is none. The font is read on a thread of its own: the track is silent and stands
    // still until then, and ends at once when the font fails to load.
    MixerTrack *(*openMidi)(const QByteArray &data, qint64 length, int rate, const QString &soundFont);
};

inline constexpr int AudioFormatsVersion = 1;
inline constexpr const char *AudioFormatsFile = "liblettora-audio-formats.so";
inline constexpr const char *AudioFormatsEntry = "lettora_audio_formats";

// The module, from the audio module's own folder, loaded on the first call (any thread); null when
// it or one of its libraries is missing. The music volume set last is applied when it loads.
const AudioFormats *audioFormats();
// The level of music played by GStreamer, in percent, kept until the module loads.
void setFormatsMusicVolume(int percent);

} // namespace lettora

extern "C" const lettora::AudioFormats *lettora_audio_formats();
