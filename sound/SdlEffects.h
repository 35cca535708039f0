#pragma once

#include "sound/Effects.h"

#include <QHash>
#include <QString>

struct Mix_Chunk;

namespace lettora {

// The mixer's channels: effects on one, the spoken voice on the other, so that neither cuts the
// other off.
inline constexpr int EffectsChannel = 0;
inline constexpr int VoiceChannel = 1;
inline constexpr int MixerChannels = 2;
// The rate the mixer asks for (the sound server may give another).
inline constexpr int MixerRate = 44100;

// Volume in percent (0 .. 100) of a mixer channel; a mixer opened later starts at the level set last.
void setChannelVolume(int channel, int percent);

// Built into the audio module (sound/AudioModule.h); seen from outside it by the test programs,
// which link the module.
class __attribute__((visibility("default"))) SdlEffectPlayer : public EffectPlayer
{
public:
    explicit SdlEffectPlayer(const char *driver);
    ~SdlEffectPlayer() override;

    void play(const QString &file) override;

    // For tests: whether audio could be opened, and what the last request played.
    bool isOpen() const { return m_open; }
    bool lastWasDefault() const { return m_lastWasDefault; }
    bool isSounding() const;
    Mix_Chunk *sounding() const;
    Mix_Chunk *cached(const QString &file) const { return m_cache.value(file, nullptr); }

private:
    Mix_Chunk *load(const QString &file);

    bool m_open = false;
    bool m_lastWasDefault = false;
    QHash<QString, Mix_Chunk *> m_cache;
    Mix_Chunk *m_default = nullptr;
    QByteArray m_defaultSamples;
};

// The default sound, made in memory so it can never be missing: a soft two-note chime, 16-bit
// mono samples at `rate`.
QByteArray defaultChime(int rate);

} // namespace lettora
