#include "shell/core/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace lettora {

namespace {

std::uint32_t bigEndian(const QByteArray &data, qsizetype at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | std::uint8_t(data[at + i]);
    return v;
}

} // namespace

std::optional<MidiFile> readMidiFile(const QByteArray &data)
{
    const qsizetype size = data.size();
    if (size < 14 || !data.startsWith("MThd") || bigEndian(data, 4, 4) < 6)
        return std::nullopt;
    MidiFile file;
    file.format = int(bigEndian(data, 8, 2));
    file.division = int(std::int16_t(bigEndian(data, 12, 2)));
    for (qsizetype at = 8 + qsizetype(bigEndian(data, 4, 4)); at + 8 <= size;) {
        const qsizetype end = std::min<qsizetype>(size, at + 8 + qsizetype(bigEndian(data, at + 4, 4)));
        const bool isTrack = data.mid(at, 4) == "MTrk";
        qsizetype p = at + 8;
        at = end;
        if (!isTrack)
            continue;
        const int track = file.tracks++;
        // A variable-length quantity: at most 4 bytes, all within the track.
        auto number = [&](std::uint64_t &v) {
            v = 0;
            for (int i = 0; i < 4 && p < end; ++i) {
                const std::uint8_t b = std::uint8_t(data[p++]);
                v = v << 7 | (b & 0x7F);
                if (!(b & 0x80))
                    return true;
            }
            return false;
        };
        std::uint64_t tick = 0;
        std::uint8_t status = 0;
        while (p < end) {
            std::uint64_t delta = 0;
            if (!number(delta) || p >= end)
                break;
            tick += delta;
            MidiEvent event;
            event.tick = tick;
            event.track = track;
            if (const std::uint8_t first = std::uint8_t(data[p]); first & 0x80) {
                ++p;
                status = first;
            } else if (status == 0) {
                break;  // data without a status: the rest cannot be read
            }
            event.status = status;
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                if (status == 0xFF) {
                    if (p >= end)
                        break;
                    event.type = std::uint8_t(data[p++]);
                }
                std::uint64_t length = 0;
                if (!number(length) || length > std::uint64_t(end - p))
                    break;
                event.data = data.mid(p, qsizetype(length));
                p += qsizetype(length);
                status = 0;
            } else {
                const int kind = status & 0xF0;
                const int bytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
                if (bytes > end - p)
                    break;
                event.data1 = std::uint8_t(data[p++]);
                if (bytes == 2)
                    event.data2 = std::uint8_t(data[p++]);
            }
            file.events.push_back(std::move(event));
        }
    }
    return file;
}

qint64 midiFileLength(const QByteArray &data)
{
    const std::optional<MidiFile> file = readMidiFile(data);
    if (!file || file->tracks == 0 || file->division == 0)
        return -1;
    std::map<std::uint64_t, std::uint32_t> tempos;  // tick -> microseconds a quarter note
    std::uint64_t lastTick = 0;
    for (const MidiEvent &e : file->events) {
        if (e.status == 0xFF && e.type == 0x51 && e.data.size() == 3)
            tempos[e.tick] = bigEndian(e.data, 0, 3);
        lastTick = std::max(lastTick, e.tick);
    }
    double micros = 0;
    if (file->division < 0) {  // frames a second and ticks a frame
        const int frames = -(file->division >> 8);
        const int ticks = file->division & 0xFF;
        if (frames <= 0 || ticks == 0)
            return -1;
        micros = double(lastTick) * 1e6 / (double(frames) * ticks);
    } else {
        std::uint64_t from = 0;
        double tempo = 500000;  // 120 beats a minute until the file says otherwise
        for (const auto &[tick, value] : tempos) {
            if (tick >= lastTick)
                break;
            micros += double(tick - from) * tempo / file->division;
            from = tick;
            tempo = value;
        }
        micros += double(lastTick - from) * tempo / file->division;
    }
    return qint64(std::llround(micros / 1000));
}

} // namespace lettora
