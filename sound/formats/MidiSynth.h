#pragma once

#include <QByteArray>
#include <QString>

#include <fluidsynth.h>

#include <memory>

namespace lettora {

// The game's MIDI synthesiser: FluidSynth at `rate` with one soundfont, at the game's gain, its
// player following the samples rendered (so a tune advances only while it is rendered). The tool
// that renders the delivered tunes makes the same one, so they sound as the game plays them.
class MidiSynth
{
public:
    // Check ok(): false when the soundfont could not be loaded.
    MidiSynth(int rate, const QString &soundFont);
    ~MidiSynth();
    MidiSynth(const MidiSynth &) = delete;
    MidiSynth &operator=(const MidiSynth &) = delete;

    bool ok() const { return m_synth && m_font != FLUID_FAILED; }
    fluid_synth_t *synth() const { return m_synth; }

private:
    fluid_settings_t *m_settings = nullptr;
    fluid_synth_t *m_synth = nullptr;
    int m_font = FLUID_FAILED;
};

// Whether a file's first 12 bytes are a soundfont's: "RIFF", a size, "sfbk".
inline bool isSoundFont(const QByteArray &start)
{
    return start.size() == 12 && start.startsWith("RIFF") && start.endsWith("sfbk");
}

} // namespace lettora
