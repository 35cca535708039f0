#include "sound/module/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace lettora {

qint64 midiLength(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const qint64 size = data.size();
    auto word = [&](qint64 at, int n) {
        quint32 v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | bytes[at + i];
        return v;
    };
    if (size < 14 || data.left(4) != "MThd" || word(4, 4) < 6)
        return -1;
    const quint32 division = word(12, 2);
    if (division == 0)
        return -1;
    std::map<quint64, quint32> tempos;  // tick -> microseconds a quarter note
    quint64 lastTick = 0;
    int tracks = 0;
    for (qint64 at = 8 + qint64(word(4, 4)); at + 8 <= size;) {
        const qint64 end = std::min(size, at + 8 + qint64(word(at + 4, 4)));
        const bool isTrack = data.mid(at, 4) == "MTrk";
        qint64 p = at + 8;
        at = end;
        if (!isTrack)
            continue;
        ++tracks;
        auto number = [&](quint64 &v) {  // a variable-length quantity
            v = 0;
            for (int i = 0; i < 4 && p < end; ++i) {
                const unsigned char b = bytes[p++];
                v = (v << 7) | (b & 0x7f);
                if (!(b & 0x80))
                    return true;
            }
            return false;
        };
        quint64 tick = 0;
        unsigned char status = 0;
        while (p < end) {
            quint64 delta = 0;
            if (!number(delta) || p >= end)
                break;
            tick += delta;
            unsigned char first = bytes[p];
            if (first & 0x80) {
                ++p;
                status = first;
            } else if (status == 0) {
                break;  // data without a status: the rest cannot be read
            }
            quint64 skip = 0;
            if (status == 0xff) {
                if (p >= end)
                    break;
                const unsigned char type = bytes[p++];
                if (!number(skip))
                    break;
                if (type == 0x51 && skip == 3 && p + 3 <= end)
                    tempos[tick] = word(p, 3);
                status = 0;  // meta and system events end a running status
            } else if (status == 0xf0 || status == 0xf7) {
                if (!number(skip))
                    break;
                status = 0;
            } else {
                skip = (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
            }
            if (skip > quint64(end - p))
                break;
            p += qint64(skip);
            lastTick = std::max(lastTick, tick);
        }
    }
    if (tracks == 0)
        return -1;
    double micros = 0;
    if (division & 0x8000) {  // frames a second and ticks a frame
        const int frames = -int(qint8(division >> 8));
        const int ticks = int(division & 0xff);
        if (frames <= 0 || ticks == 0)
            return -1;
        micros = double(lastTick) * 1e6 / (double(frames) * ticks);
    } else {
        quint64 from = 0;
        double tempo = 500000;  // 120 beats a minute until the file says otherwise
        for (const auto &[tick, value] : tempos) {
            if (tick >= lastTick)
                break;
            micros += double(tick - from) * tempo / division;
            from = tick;
            tempo = value;
        }
        micros += double(lastTick - from) * tempo / division;
    }
    return qint64(std::llround(micros / 1000));
}

} // namespace lettora
