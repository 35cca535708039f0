#pragma once

#include "sound/Effects.h"
#include "sound/module/Mixer.h"

#include <QHash>
#include <QString>

namespace lettora {

// Volume in percent (0 .. 100) of a channel of the open mixer.
void setMixerChannelVolume(int channel, int percent);

// Built into the audio module (sound/AudioModule.h); seen from outside it by the test programs,
// which link the module.
class __attribute__((visibility("default"))) MixerEffectPlayer : public EffectPlayer
{
public:
    explicit MixerEffectPlayer(const char *output);  // sound/module/AudioOutput.h: null for the usual one
    ~MixerEffectPlayer() override;

    void play(const QString &file) override;

    // For tests: whether audio could be opened, and what the last request played.
    bool isOpen() const { return m_open; }
    bool lastWasDefault() const { return m_lastWasDefault; }
    bool isSounding() const;
    const MixerChunk *sounding() const;
    MixerChunk *cached(const QString &file) const { return m_cache.value(file, nullptr); }

private:
    MixerChunk *load(const QString &file);

    bool m_open = false;
    bool m_lastWasDefault = false;
    QHash<QString, MixerChunk *> m_cache;
    MixerChunk m_default;
};

// The default sound, made in memory so it can never be missing: a soft two-note chime, 16-bit
// mono samples at `rate`.
QByteArray defaultChime(int rate);

} // namespace lettora
