#pragma once

#include <QByteArray>

#include <set>
#include <utility>

namespace art {

// A General MIDI preset: bank (128 for the drum kits) and program.
using Preset = std::pair<int, int>;

// The presets a standard MIDI file plays: each channel's program (0 until changed) on the notes it
// sounds, bank 128 for channel 10. Empty when the file is not a MIDI file.
std::set<Preset> presetsPlayed(const QByteArray &midi);

// A SoundFont 2 holding only the given presets with their instruments and samples, byte for byte
// as in `sf2`, so that a synthesiser renders them exactly as from the whole font. Empty when `sf2`
// is not a SoundFont or lacks a preset.
QByteArray soundFontSubset(const QByteArray &sf2, const std::set<Preset> &presets);

} // namespace art
