#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace lettora::mixer {

// Fills a block of `frames` interleaved 16-bit frames with what sounds next; false when nothing
// plays (the block is silence).
using MixBlock = bool (*)(std::int16_t *block, int frames);

// Where the mixer's blocks go: the sound server (PulseAudio, or PipeWire speaking its protocol), the
// sound card through ALSA where no server answers, or nowhere at the pace of a real output.
class AudioOutput
{
public:
    virtual ~AudioOutput() = default;
    // Mixes and plays block after block until `stop` is set (true) or the output is lost (false).
    virtual bool run(const std::atomic<bool> &stop) = 0;
    // From any thread: something is to play, or `stop` is set. An output that rests while nothing
    // plays comes back at once.
    virtual void wake() {}
};

// The output that plays nowhere is named so ("null": tests, and a machine without sound);
// otherwise `name` is null: the sound server, else the sound card. Null when neither answers.
inline constexpr const char *NullOutputName = "null";
// The output's name where the caller names none, for tests that run the program itself.
inline constexpr const char *OutputVariable = "LETTORA_AUDIO_OUTPUT";
// `seconds` > 0: the null output ends after that long, as if lost. `again`: looking for an output
// that was lost, when no sound server is started for the game.
std::unique_ptr<AudioOutput> openAudioOutput(const char *name, int rate, int channels, int blockFrames, MixBlock mix,
                                             int seconds = 0, bool again = false);

} // namespace lettora::mixer
