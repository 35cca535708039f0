#pragma once

#include "sound/MediaPlayer.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace lettora {

class MixerTrack;

// Music through the effects' mixer (sound/module/Mixer.h), for the tunes the game delivers: Ogg Vorbis
// recordings, and MIDI files played by the game's own synthesiser. No pipeline, no threads of its
// own: a track is decoded on the mixer's thread as it plays. One track sounds at a time; a Play
// stops the track of any other player of this kind (that one keeps its position).
//
// Open takes only what it plays exactly (length, position, end): an Ogg Vorbis stream, a MIDI file
// whose events it can read and whose soundfont is one (read off the window's thread while the
// track waits). A MIDI file with the build's recording of it
// beside it (midiRecording) plays that recording, with no synthesiser. Anything else it refuses
// with NotForMixer, and the caller gives the file to GStreamer, which reports what is wrong with it. The mixer may
// open later than the track: the track starts where it stands once the mixer is there.
inline constexpr const char *NotForMixer = "not a track for the mixer";

// Seen from outside the audio module by the test programs, which link it.
// `otherwise` makes, on the first file the mixer refuses, the player that takes such files;
// without it they fail to open.
__attribute__((visibility("default"))) std::unique_ptr<MediaPlayer>
makeMixerMediaPlayer(std::function<std::unique_ptr<MediaPlayer>()> otherwise = {});

// For tests: a player that plays what `opener` makes of each file it opens (null: refused).
using MixerTrackOpener = std::function<std::unique_ptr<MixerTrack>(const QString &file)>;
__attribute__((visibility("default"))) std::unique_ptr<MediaPlayer> makeMixerMediaPlayerOf(MixerTrackOpener opener);

// The mixer's music stream, set up again each time the mixer opens (sound/module/MixerEffects.cpp).
void startMixerMusic();
void stopMixerMusic();
void setMixerMusicVolume(int percent);
// Whether a track of the mixer's players is playing (tests).
__attribute__((visibility("default"))) bool mixerMusicSounding();

} // namespace lettora
