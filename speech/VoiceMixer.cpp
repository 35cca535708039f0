#include "speech/VoiceMixer.h"

#include "shell/RegularFile.h"
#include "sound/SdlEffects.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace lettora::voicemixer {

namespace {
struct MixerFormat
{
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    int frameBytes() const { return SDL_AUDIO_BITSIZE(format) / 8 * channels; }
};

bool mixerFormat(MixerFormat &mixer)
{
    return Mix_QuerySpec(&mixer.rate, &mixer.format, &mixer.channels) != 0 && mixer.channels > 0;
}

bool mixerHasVoiceChannel()
{
    return Mix_QuerySpec(nullptr, nullptr, nullptr) != 0 && Mix_AllocateChannels(-1) > VoiceChannel;
}
} // namespace

QByteArray toMixerFormat(const Pcm &pcm)
{
    MixerFormat mixer;
    if (pcm.frames() == 0 || pcm.rate <= 0 || !mixerFormat(mixer))
        return {};
    SDL_AudioStream *stream = SDL_NewAudioStream(AUDIO_S16SYS, 1, pcm.rate, mixer.format, Uint8(mixer.channels), mixer.rate);
    if (!stream)
        return {};
    QByteArray out;
    if (SDL_AudioStreamPut(stream, pcm.samples.constData(), int(pcm.frames() * 2)) == 0
        && SDL_AudioStreamFlush(stream) == 0) {
        out.resize(SDL_AudioStreamAvailable(stream));
        out.resize(std::max(0, SDL_AudioStreamGet(stream, out.data(), int(out.size()))));
    }
    SDL_FreeAudioStream(stream);
    // Whole frames only.
    out.truncate(out.size() - out.size() % mixer.frameBytes());
    return out;
}

QByteArray loadRecording(const QByteArray &path)
{
    MixerFormat mixer;
    if (!mixerFormat(mixer))
        return {};
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0)
        return {};
    FILE *file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return {};
    }
    SDL_RWops *source = SDL_RWFromFP(file, SDL_TRUE);
    if (!source) {
        std::fclose(file);
        return {};
    }
    Mix_Chunk *chunk = Mix_LoadWAV_RW(source, 1);
    if (!chunk)
        return {};
    QByteArray bytes(reinterpret_cast<const char *>(chunk->abuf), qsizetype(chunk->alen));
    Mix_FreeChunk(chunk);
    return bytes;
}

QByteArray silence(int milliseconds)
{
    MixerFormat mixer;
    if (!mixerFormat(mixer))
        return {};
    const int silence = SDL_AUDIO_ISSIGNED(mixer.format) ? 0 : 0x80;
    return QByteArray(qsizetype(mixer.rate) * milliseconds / 1000 * mixer.frameBytes(), char(silence));
}

Mix_Chunk *makeChunk(QByteArray &samples)
{
    return Mix_QuickLoad_RAW(reinterpret_cast<Uint8 *>(samples.data()), Uint32(samples.size()));
}

void freeChunk(Mix_Chunk *chunk)
{
    // Frees the chunk only: the samples are the caller's.
    Mix_FreeChunk(chunk);
}

bool play(Mix_Chunk *chunk)
{
    return mixerHasVoiceChannel() && Mix_PlayChannel(VoiceChannel, chunk, 0) == VoiceChannel;
}

void halt()
{
    if (mixerHasVoiceChannel())
        Mix_HaltChannel(VoiceChannel);
}

Mix_Chunk *sounding()
{
    return mixerHasVoiceChannel() && Mix_Playing(VoiceChannel) ? Mix_GetChunk(VoiceChannel) : nullptr;
}

} // namespace lettora::voicemixer
