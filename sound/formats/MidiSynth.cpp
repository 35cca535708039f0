#include "sound/formats/MidiSynth.h"

#include "sound/MediaPlayer.h"

#include <QFile>

namespace lettora {

namespace {
constexpr int Polyphony = 64;
}

MidiSynth::MidiSynth(int rate, const QString &soundFont)
{
    // FluidSynth prints its warnings (a preset missing from a font, say) to the terminal.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    m_settings = new_fluid_settings();
    if (!m_settings)
        return;
    fluid_settings_setnum(m_settings, "synth.sample-rate", rate);
    fluid_settings_setnum(m_settings, "synth.gain", SynthGain);
    fluid_settings_setstr(m_settings, "player.timing-source", "sample");
    fluid_settings_setint(m_settings, "synth.lock-memory", 0);
    // 64 voices, not FluidSynth's 256: 2 MB less, and the delivered tunes use at most 40 (they
    // render the same); a denser tune gives up its quietest notes first.
    fluid_settings_setint(m_settings, "synth.polyphony", Polyphony);
    m_synth = new_fluid_synth(m_settings);
    if (m_synth)
        m_font = fluid_synth_sfload(m_synth, QFile::encodeName(soundFont).constData(), 1);
}

MidiSynth::~MidiSynth()
{
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

} // namespace lettora
