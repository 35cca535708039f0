#include "sound/module/MixerEffects.h"

#include "sound/module/MixerMusic.h"

#include <QFile>
#include <QtEndian>

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

MixerEffectPlayer::MixerEffectPlayer(const char *output)
{
    mixer::Format format;
    if (!mixer::open(BufferFrames, output))
        return;  // no sound server and no sound card: the game runs silent
    if (!mixer::format(format)) {
        mixer::close();
        return;
    }
    m_open = true;
    startMixerMusic();
    // The chime is mono at the mixer's rate; the mixer wants its own channel count.
    m_default.samples = mixer::convert(defaultChime(format.rate), format.rate, 1);
}

MixerEffectPlayer::~MixerEffectPlayer()
{
    if (!m_open)
        return;
    // Its own sounds go with it; the mixer and its music stay for any other user.
    mixer::haltChunk(&m_default);
    for (MixerChunk *chunk : std::as_const(m_cache))
        mixer::freeChunk(chunk);
    if (mixer::close())
        stopMixerMusic();
}

MixerChunk *MixerEffectPlayer::load(const QString &file)
{
    if (MixerChunk *chunk = m_cache.value(file, nullptr))
        return chunk;
    // A file that fails is tried again next time: it may be back by then. Only a regular file is
    // read: a FIFO would hold the game until something writes to it.
    QByteArray samples = mixer::readSound(QFile::encodeName(file));
    if (samples.isEmpty())
        return nullptr;
    auto *chunk = new MixerChunk{std::move(samples)};
    m_cache.insert(file, chunk);
    return chunk;
}

void MixerEffectPlayer::play(const QString &file)
{
    if (!m_open)
        return;
    const MixerChunk *chunk = load(file);
    m_lastWasDefault = chunk == nullptr;
    mixer::play(Channel, chunk ? chunk : &m_default);  // replaces whatever the channel was playing
}

bool MixerEffectPlayer::isSounding() const
{
    return sounding() != nullptr;
}

const MixerChunk *MixerEffectPlayer::sounding() const
{
    return m_open ? mixer::sounding(Channel) : nullptr;
}

void setMixerChannelVolume(int channel, int percent)
{
    mixer::setVolume(channel, std::clamp(percent, 0, 100) * MixerMaxVolume / 100);
}

} // namespace lettora
