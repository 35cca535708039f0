#pragma once

#include <QByteArray>

namespace lettora {

// A MIDI file's length in milliseconds from its tempo map, to its last event; -1 when the data is
// not a MIDI file with at least one track. Seen from outside the audio module by the test programs.
__attribute__((visibility("default"))) qint64 midiLength(const QByteArray &data);

} // namespace lettora
