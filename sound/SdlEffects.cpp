#include "sound/SdlEffects.h"

#include "shell/RegularFile.h"
#include "sound/MixerMusic.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <QFile>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <cmath>
#include <numbers>

namespace lettora {

namespace {
constexpr int Channel = EffectsChannel;
constexpr int BufferFrames = 512;  // short, so an effect starts at once
} // namespace

QByteArray defaultChime(int rate)
{
    const double notes[] = {1046.5, 1318.5};
    const int length = rate * 3 / 10;
    QByteArray bytes(length * 2, '\0');
    for (int i = 0; i < length; ++i) {
        const double t = double(i) / rate;
        double v = 0;
        for (int n = 0; n < 2; ++n) {
            const double start = n * 0.08;
            if (t >= start)
                v += std::sin(2 * std::numbers::pi * notes[n] * (t - start)) * std::exp(-(t - start) / 0.07);
        }
        const double edge = std::min(1.0, std::min(t / 0.002, (0.3 - t) / 0.01));
        qToLittleEndian<qint16>(qint16(std::lround(v * 0.35 * edge * 32767)), bytes.data() + 2 * i);
    }
    return bytes;
}

SdlEffectPlayer::SdlEffectPlayer(const char *driver)
{
    // SDL would otherwise take SIGINT and SIGTERM for itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (driver)
        SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    if (Mix_OpenAudio(MixerRate, AUDIO_S16SYS, 2, BufferFrames) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;  // no sound server: the game runs silent
    }
    m_open = true;
    Mix_AllocateChannels(MixerChannels);
    startMixerMusic();
    int rate = MixerRate;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    // The chime is mono at the mixer's rate; the mixer wants its own channel count.
    const QByteArray mono = defaultChime(rate);
    m_defaultSamples.resize(mono.size() * channels);
    for (qsizetype i = 0; i < mono.size() / 2; ++i)
        for (int c = 0; c < channels; ++c)
            std::memcpy(m_defaultSamples.data() + (i * channels + c) * 2, mono.constData() + i * 2, 2);
    m_default = Mix_QuickLoad_RAW(reinterpret_cast<Uint8 *>(m_defaultSamples.data()), Uint32(m_defaultSamples.size()));
}

SdlEffectPlayer::~SdlEffectPlayer()
{
    if (!m_open)
        return;
    // Nothing may touch the mixer after it closes: halt and free first.
    stopMixerMusic();
    Mix_HaltChannel(-1);
    for (Mix_Chunk *chunk : std::as_const(m_cache))
        if (chunk)
            Mix_FreeChunk(chunk);
    if (m_default)
        Mix_FreeChunk(m_default);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

Mix_Chunk *SdlEffectPlayer::load(const QString &file)
{
    if (Mix_Chunk *chunk = m_cache.value(file, nullptr))
        return chunk;
    // A file that fails is tried again next time: it may be back by then. Only a regular file is
    // read: a FIFO would hold the game until something writes to it.
    QString reason;
    const int fd = openRegularFile(QFile::encodeName(file), reason);
    if (fd < 0)
        return nullptr;
    FILE *stream = ::fdopen(fd, "rb");
    if (!stream) {
        ::close(fd);
        return nullptr;
    }
    SDL_RWops *source = SDL_RWFromFP(stream, SDL_TRUE);
    if (!source) {
        std::fclose(stream);
        return nullptr;
    }
    Mix_Chunk *chunk = Mix_LoadWAV_RW(source, 1);
    if (chunk)
        m_cache.insert(file, chunk);
    return chunk;
}

void SdlEffectPlayer::play(const QString &file)
{
    if (!m_open)
        return;
    Mix_Chunk *chunk = load(file);
    m_lastWasDefault = chunk == nullptr;
    if (!chunk)
        chunk = m_default;
    if (chunk)
        Mix_PlayChannel(Channel, chunk, 0);  // replaces whatever the channel was playing
}

bool SdlEffectPlayer::isSounding() const
{
    return m_open && Mix_Playing(Channel);
}

Mix_Chunk *SdlEffectPlayer::sounding() const
{
    return isSounding() ? Mix_GetChunk(Channel) : nullptr;
}

void setChannelVolume(int channel, int percent)
{
    if (Mix_QuerySpec(nullptr, nullptr, nullptr) && channel < Mix_AllocateChannels(-1))
        Mix_Volume(channel, std::clamp(percent, 0, 100) * MIX_MAX_VOLUME / 100);
}

std::unique_ptr<EffectPlayer> makeSdlEffectPlayer(const char *driver)
{
    return std::make_unique<SdlEffectPlayer>(driver);
}

} // namespace lettora
