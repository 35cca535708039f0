#include "sound/module/Mixer.h"

#include "sound/module/AudioOutput.h"
#include "sound/module/SampleConverter.h"
#include "sound/module/SoundFile.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace lettora::mixer {

namespace {

// Lost, the output is looked for again after this long, the mixer keeping time meanwhile.
constexpr int LookAgainSeconds = 2;

struct Channel
{
    const MixerChunk *chunk = nullptr;  // null while silent
    qsizetype at = 0;                   // bytes played
    std::atomic<int> volume{MixerMaxVolume};
};

struct State
{
    std::mutex opening;  // open and close
    int users = 0;
    std::mutex mixing;  // held while a block is mixed
    bool isOpen = false;  // under `mixing`
    Format format;
    Channel channels[MixerChannels];
    MusicFill music = nullptr;
    AudioOutput *output = nullptr;  // the one playing, under `mixing`
    std::thread thread;
    std::atomic<bool> stop{false};
};

State &state()
{
    static State s;
    return s;
}

// Holds the mixer's thread off while it lives; false while the mixer is closed.
class Locked
{
public:
    Locked() : m_lock(state().mixing) {}
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    explicit operator bool() const { return state().isOpen; }

private:
    std::lock_guard<std::mutex> m_lock;
};

bool mix(std::int16_t *block, int frames)
{
    State &s = state();
    MusicFill music = nullptr;
    int samples = 0;
    {
        std::lock_guard guard(s.mixing);
        music = s.music;
        samples = frames * s.format.channels;
    }
    std::memset(block, 0, size_t(samples) * sizeof(std::int16_t));  // 16-bit signed: silence is zero
    // Decoding and synthesis take their time: a play() meanwhile does not wait for them.
    bool sounds = music && music(reinterpret_cast<std::uint8_t *>(block), samples * 2);
    std::lock_guard guard(s.mixing);
    for (Channel &channel : s.channels) {
        if (!channel.chunk)
            continue;
        sounds = true;
        const QByteArray &bytes = channel.chunk->samples;
        const int n = int(std::min<qsizetype>(bytes.size() - channel.at, samples * 2));
        if (n > 0)
            mixSamples(block, reinterpret_cast<const std::int16_t *>(bytes.constData() + channel.at), n / 2, channel.volume);
        channel.at += std::max(n, 0);
        if (channel.at >= bytes.size())
            channel.chunk = nullptr;
    }
    return sounds;
}

// Runs the output with the mixer knowing it, so that a new sound can wake it.
bool runKnown(AudioOutput &output)
{
    State &s = state();
    {
        std::lock_guard guard(s.mixing);
        s.output = &output;
    }
    const bool stopped = output.run(s.stop);
    std::lock_guard guard(s.mixing);
    s.output = nullptr;
    return stopped;
}

// Under `mixing`.
void wakeOutput()
{
    if (state().output)
        state().output->wake();
}

// The mixer's thread: the output until it is closed; an output lost (a sound server restarted, a
// card unplugged) is looked for again every few seconds, the mixer keeping time meanwhile so that
// what plays ends when it would have.
void runOutput(std::unique_ptr<AudioOutput> output, std::string name, int blockFrames)
{
    State &s = state();
    while (!s.stop) {
        if (output && runKnown(*output))
            return;
        output.reset();  // a card is let go before it is opened again
        output = openAudioOutput(NullOutputName, s.format.rate, s.format.channels, blockFrames, &mix, LookAgainSeconds);
        if (runKnown(*output))
            return;
        output.reset();
        output = openAudioOutput(name.empty() ? nullptr : name.c_str(), s.format.rate, s.format.channels, blockFrames, &mix, 0,
                                 true);
    }
}

bool validChannel(int channel)
{
    return channel >= 0 && channel < MixerChannels;
}

} // namespace

QByteArray convert(const QByteArray &samples, int rate, int channels)
{
    Format to;
    if (!format(to))
        return {};
    return SampleConverter::convert(samples, rate, channels, to.rate, to.channels);
}

bool open(int bufferFrames, const char *output)
{
    State &s = state();
    std::lock_guard guard(s.opening);
    if (s.users > 0) {
        ++s.users;
        return true;
    }
    if (!output)
        output = std::getenv(OutputVariable);
    // The sound server converts what it is given, and ALSA's default device too.
    constexpr int Channels = 2;
    std::unique_ptr<AudioOutput> device = openAudioOutput(output, MixerRate, Channels, bufferFrames, &mix);
    if (!device)
        return false;
    {
        Locked locked;
        s.format = {MixerRate, Channels};
        for (Channel &channel : s.channels)
            channel.chunk = nullptr;
        s.music = nullptr;
        s.isOpen = true;
    }
    s.users = 1;
    s.stop = false;
    s.thread = std::thread(&runOutput, std::move(device), std::string(output ? output : ""), bufferFrames);
    return true;
}

bool close()
{
    State &s = state();
    std::lock_guard guard(s.opening);
    if (s.users == 0 || --s.users > 0)
        return false;
    s.stop = true;
    wake();  // a resting output comes back to see `stop`
    s.thread.join();  // the last block mixed and the output closed
    Locked locked;
    s.isOpen = false;
    for (Channel &channel : s.channels)
        channel.chunk = nullptr;
    s.music = nullptr;
    return true;
}

bool format(Format &out)
{
    Locked locked;
    if (!locked)
        return false;
    out = state().format;
    return out.channels > 0;
}

bool play(int channel, const MixerChunk *chunk)
{
    Locked locked;
    if (!locked || !validChannel(channel) || !chunk)
        return false;
    state().channels[channel].chunk = chunk;
    state().channels[channel].at = 0;
    wakeOutput();
    return true;
}

void halt(int channel)
{
    Locked locked;
    if (!locked)
        return;
    for (int c = 0; c < MixerChannels; ++c)
        if (channel < 0 || c == channel)
            state().channels[c].chunk = nullptr;
}

const MixerChunk *sounding(int channel)
{
    Locked locked;
    return locked && validChannel(channel) ? state().channels[channel].chunk : nullptr;
}

void setVolume(int channel, int volume)
{
    if (validChannel(channel))
        state().channels[channel].volume = std::clamp(volume, 0, MixerMaxVolume);
}

int volume(int channel)
{
    return validChannel(channel) ? state().channels[channel].volume.load() : 0;
}

void setMusic(MusicFill fill)
{
    Locked locked;
    state().music = fill;
    wakeOutput();
}

void wake()
{
    Locked locked;
    wakeOutput();
}

QByteArray readSound(const QByteArray &path)
{
    Format mixer;
    if (!format(mixer))
        return {};
    return readSoundFile(path, LongestSoundSeconds, mixer.rate, mixer.channels);
}

void haltChunk(const MixerChunk *chunk)
{
    Locked locked;
    for (Channel &channel : state().channels)
        if (channel.chunk == chunk)
            channel.chunk = nullptr;
}

void freeChunk(MixerChunk *chunk)
{
    if (!chunk)
        return;
    haltChunk(chunk);
    delete chunk;
}

} // namespace lettora::mixer
