#include "sound/Mixer.h"

#include "sound/SoundFile.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace lettora::mixer {

namespace {

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
    std::atomic<SDL_AudioDeviceID> device{0};
    Format format;  // set before `device`
    Channel channels[MixerChannels];
    MusicFill music = nullptr;
};

State &state()
{
    static State s;
    return s;
}

// Holds the mixer's thread off while it lives (SDL runs the callback under the device's lock);
// false while the mixer is closed.
class Locked
{
public:
    Locked() : m_device(state().device.load())
    {
        if (m_device)
            SDL_LockAudioDevice(m_device);
    }
    ~Locked()
    {
        if (m_device)
            SDL_UnlockAudioDevice(m_device);
    }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
    explicit operator bool() const { return m_device != 0; }

private:
    SDL_AudioDeviceID m_device;
};

void SDLCALL mix(void *, Uint8 *stream, int bytes)
{
    State &s = state();
    std::memset(stream, 0, size_t(bytes));  // 16-bit signed: silence is zero
    if (s.music)
        s.music(stream, bytes);
    for (Channel &channel : s.channels) {
        if (!channel.chunk)
            continue;
        const QByteArray &samples = channel.chunk->samples;
        const int n = int(std::min<qsizetype>(samples.size() - channel.at, bytes));
        if (n > 0)
            SDL_MixAudioFormat(stream, reinterpret_cast<const Uint8 *>(samples.constData()) + channel.at, AUDIO_S16SYS,
                               Uint32(n), channel.volume);
        channel.at += std::max(n, 0);
        if (channel.at >= samples.size())
            channel.chunk = nullptr;
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
    if (!format(to) || channels < 1 || channels > 8 || rate <= 0)
        return {};
    SDL_AudioStream *stream = SDL_NewAudioStream(AUDIO_S16SYS, Uint8(channels), rate, AUDIO_S16SYS, Uint8(to.channels), to.rate);
    if (!stream)
        return {};
    QByteArray out;
    if (samples.isEmpty()
        || (SDL_AudioStreamPut(stream, samples.constData(), int(samples.size())) == 0 && SDL_AudioStreamFlush(stream) == 0)) {
        out.resize(SDL_AudioStreamAvailable(stream));
        out.resize(std::max(0, SDL_AudioStreamGet(stream, out.data(), int(out.size()))));
    }
    SDL_FreeAudioStream(stream);
    // Whole frames only.
    out.truncate(out.size() - out.size() % to.frameBytes());
    return out;
}

bool open(int bufferFrames)
{
    State &s = state();
    std::lock_guard guard(s.opening);
    if (s.device) {
        ++s.users;
        return true;
    }
    SDL_AudioSpec want{};
    want.freq = MixerRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = Uint16(bufferFrames);
    want.callback = &mix;
    SDL_AudioSpec got{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
        nullptr, 0, &want, &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device == 0)
        return false;
    s.format = {got.freq, got.channels};
    for (Channel &channel : s.channels)
        channel.chunk = nullptr;
    s.music = nullptr;
    s.users = 1;
    s.device = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void close()
{
    State &s = state();
    std::lock_guard guard(s.opening);
    if (!s.device || --s.users > 0)
        return;
    const SDL_AudioDeviceID device = s.device.exchange(0);
    SDL_CloseAudioDevice(device);  // waits for the callback
    for (Channel &channel : s.channels)
        channel.chunk = nullptr;
    s.music = nullptr;
}

bool format(Format &out)
{
    if (!state().device)
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
}

QByteArray readSound(const QByteArray &path)
{
    Format mixer;
    SoundFileSamples sound;
    if (!format(mixer) || !readSoundFile(path, LongestSoundSeconds, sound))
        return {};
    return convert(sound.samples, sound.rate, sound.channels);
}

void freeChunk(MixerChunk *chunk)
{
    if (!chunk)
        return;
    {
        Locked locked;
        for (Channel &channel : state().channels)
            if (channel.chunk == chunk)
                channel.chunk = nullptr;
    }
    delete chunk;
}

} // namespace lettora::mixer
