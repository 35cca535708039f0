#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace lettora {

// One event of a Standard MIDI File's track.
struct MidiEvent
{
    std::uint64_t tick = 0;  // from the start of its track
    int track = 0;           // which MTrk chunk, from 0
    // 0x80 .. 0xEF a channel message, with data1 (and data2 but for 0xC_ and 0xD_); 0xF0 and 0xF7
    // system exclusive, 0xFF a meta event of `type`; those two with their bytes in `data`.
    std::uint8_t status = 0;
    std::uint8_t type = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    QByteArray data;
};

struct MidiFile
{
    int format = 0;
    int division = 0;  // the header's word: ticks a quarter note, or frames and ticks when negative
    int tracks = 0;    // MTrk chunks found (others are passed over)
    std::vector<MidiEvent> events;  // track after track, each in the file's order
};

// The one reader of MIDI files, for the game and the tool that renders its tunes. Empty when
// `data` does not start with a header ("MThd", at least 6 bytes long). What a hand-made or cut
// file may hold is read as far as it goes: a chunk longer than the file ends with the file; a
// track ends at its first event that is not whole (a number, its data or a meta event's bytes
// running past the track's end), and at a data byte with no running status. Running status holds
// for channel messages only: a meta or system-exclusive event ends it.
std::optional<MidiFile> readMidiFile(const QByteArray &data);

// A MIDI file's length in milliseconds from its tempo map, to its last event; -1 when the data is
// not a MIDI file with at least one track, or its division is none.
qint64 midiFileLength(const QByteArray &data);

} // namespace lettora
