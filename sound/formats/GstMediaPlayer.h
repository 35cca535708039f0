#pragma once

#include <memory>

namespace lettora {

class MediaPlayer;

// The GStreamer player (playbin), inside the module of the rarer formats: MIDI through FluidSynth
// and Debian's TimGM6mb soundfont, WAV, MP3, OGG and FLAC. `audioSink` names a sink element for
// tests ("fakesink"); null plays to the system's sound output.
std::unique_ptr<MediaPlayer> makeGstMediaPlayer(const char *audioSink = nullptr);

// The music's volume in percent (0 .. 100), on every GStreamer player now and later.
void setGstMusicVolume(int percent);

} // namespace lettora
