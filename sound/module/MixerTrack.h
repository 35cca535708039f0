#pragma once

#include <QtGlobal>

#include <cstdint>

namespace lettora {

// The decoder of one track for the mixer, in its own rate and channel count (16-bit, interleaved).
class MixerTrack
{
public:
    virtual ~MixerTrack() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    virtual qint64 length() const = 0;  // milliseconds; -1 while unknown
    // False while it gets ready (a synthesiser reading its soundfont): the mixer plays nothing of
    // it meanwhile, and its position stays.
    virtual bool ready() { return true; }
    // Fewer frames than asked only at the end.
    virtual int read(std::int16_t *out, int frames) = 0;
    virtual void rewind() = 0;
};

} // namespace lettora
