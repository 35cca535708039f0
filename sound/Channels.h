#pragma once

namespace lettora {

// The mixer's channels: effects on one, the spoken voice on the other, so that neither cuts the
// other off.
inline constexpr int EffectsChannel = 0;
inline constexpr int VoiceChannel = 1;
inline constexpr int MixerChannels = 2;

// Volume in percent (0 .. 100) of a mixer channel; a mixer opened later starts at the level set
// last. GUI thread.
void setChannelVolume(int channel, int percent);

} // namespace lettora
