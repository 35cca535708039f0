#include "sound/module/VoiceMixer.h"

#include "sound/module/Mixer.h"

namespace lettora::voicemixer {

QByteArray toMixerFormat(const Pcm &pcm)
{
    if (pcm.frames() == 0 || pcm.rate <= 0)
        return {};
    return mixer::convert(pcm.samples, pcm.rate, 1);
}

QByteArray loadRecording(const QByteArray &path)
{
    return mixer::readSound(path);
}

QByteArray silence(int milliseconds)
{
    mixer::Format format;
    if (!mixer::format(format))
        return {};
    return QByteArray(qsizetype(format.rate) * milliseconds / 1000 * format.frameBytes(), '\0');
}

MixerChunk *makeChunk(QByteArray &samples)
{
    return new MixerChunk{samples};  // shares the caller's bytes
}

void freeChunk(MixerChunk *chunk)
{
    mixer::freeChunk(chunk);
}

bool play(MixerChunk *chunk)
{
    return mixer::play(VoiceChannel, chunk);
}

void halt()
{
    mixer::halt(VoiceChannel);
}

const MixerChunk *sounding()
{
    return mixer::sounding(VoiceChannel);
}

} // namespace lettora::voicemixer
