#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

struct SRC_STATE_tag;

namespace lettora {

// 16-bit interleaved samples from one rate and channel count to another, a block at a time (a
// tune as it plays) or whole (an effect). A mono sound goes to both sides; of more channels than
// the output has, the first ones are kept (front left and right come first in every file format
// the game reads). The rate through libsamplerate's fastest sinc converter.
class SampleConverter
{
public:
    SampleConverter(int fromRate, int fromChannels, int toRate, int toChannels);
    ~SampleConverter();
    SampleConverter(const SampleConverter &) = delete;
    SampleConverter &operator=(const SampleConverter &) = delete;

    // False for a rate or channel count out of range.
    bool ok() const { return m_ok; }
    // Takes `frames` frames; `last` once no more follow, so that the converter's tail comes out too.
    void put(const std::int16_t *samples, int frames, bool last = false);
    // Converted frames waiting to be taken.
    int available() const;
    // Takes at most `frames` frames into `out`; returns how many.
    int get(std::int16_t *out, int frames);
    // Empties it for a new start of the same sound; what it holds keeps its room.
    void reset();

    // A whole sound at once; empty for a rate or channel count out of range.
    static QByteArray convert(const QByteArray &samples, int fromRate, int fromChannels, int toRate, int toChannels);

private:
    void process(bool last);

    bool m_ok = false;
    int m_fromChannels = 0;
    int m_toChannels = 0;
    double m_ratio = 1;
    SRC_STATE_tag *m_resampler = nullptr;  // null when the rates agree
    std::vector<float> m_pending;          // at the output's channel count, not yet resampled
    std::vector<std::int16_t> m_ready;  // converted, not yet taken
    std::vector<float> m_resampled;     // the resampler's output, kept from block to block
};

// Adds `samples` 16-bit samples of `from` into `into` at `volume` (0 .. 128), clipping.
void mixSamples(std::int16_t *into, const std::int16_t *from, int samples, int volume);

} // namespace lettora
