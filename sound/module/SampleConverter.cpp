#include "sound/module/SampleConverter.h"

#include <samplerate.h>

#include <algorithm>
#include <cstring>

namespace lettora {

namespace {
constexpr int MaxChannels = 8;
constexpr int MaxRate = 384000;
// The resampler's output is taken this many frames at a time.
constexpr long ResampledFrames = 4096;

// Makes `samples` `size` long; where it must grow it takes twice the room, so that a tune's
// blocks, which vary a little in size, stop allocating after the first few.
template <typename T>
void resizeRoomy(std::vector<T> &samples, size_t size)
{
    if (size > samples.capacity())
        samples.reserve(2 * size);
    samples.resize(size);
}
} // namespace

SampleConverter::SampleConverter(int fromRate, int fromChannels, int toRate, int toChannels)
    : m_fromChannels(fromChannels), m_toChannels(toChannels)
{
    if (fromChannels < 1 || fromChannels > MaxChannels || toChannels < 1 || toChannels > MaxChannels
        || fromRate < 1 || fromRate > MaxRate || toRate < 1 || toRate > MaxRate)
        return;
    m_ratio = double(toRate) / fromRate;
    if (fromRate != toRate) {
        int error = 0;
        m_resampler = src_new(SRC_SINC_FASTEST, toChannels, &error);
        if (!m_resampler)
            return;
    }
    m_ok = true;
}

SampleConverter::~SampleConverter()
{
    if (m_resampler)
        src_delete(m_resampler);
}

void SampleConverter::put(const std::int16_t *samples, int frames, bool last)
{
    if (!m_ok)
        return;
    frames = std::max(frames, 0);
    // The channels first, so that the resampler works on no more of them than it must.
    const size_t start = m_pending.size();
    resizeRoomy(m_pending, start + size_t(frames) * m_toChannels);
    float *to = m_pending.data() + start;
    for (int f = 0; f < frames; ++f) {
        const std::int16_t *frame = samples + size_t(f) * m_fromChannels;
        for (int c = 0; c < m_toChannels; ++c)
            *to++ = float(frame[m_fromChannels == 1 ? 0 : std::min(c, m_fromChannels - 1)]) / 32768.0f;
    }
    process(last);
}

void SampleConverter::process(bool last)
{
    if (!m_resampler) {
        const size_t start = m_ready.size();
        resizeRoomy(m_ready, start + m_pending.size());
        src_float_to_short_array(m_pending.data(), m_ready.data() + start, int(m_pending.size()));
        m_pending.clear();
        return;
    }
    const long inFrames = long(m_pending.size() / size_t(m_toChannels));
    std::vector<float> &out = m_resampled;  // made once
    if (out.empty())
        out.resize(size_t(ResampledFrames) * m_toChannels);
    long used = 0;
    // The converter may hold some input back; at the end it is asked until it has given all. A
    // converter that neither takes nor gives any more is given up.
    for (int idle = 0; idle < 64;) {
        SRC_DATA data{};
        data.data_in = m_pending.data() + size_t(used) * m_toChannels;
        data.input_frames = inFrames - used;
        data.data_out = out.data();
        data.output_frames = ResampledFrames;
        data.end_of_input = last ? 1 : 0;
        data.src_ratio = m_ratio;
        if (src_process(m_resampler, &data) != 0)
            break;
        used += data.input_frames_used;
        const size_t start = m_ready.size();
        resizeRoomy(m_ready, start + size_t(data.output_frames_gen) * m_toChannels);
        src_float_to_short_array(out.data(), m_ready.data() + start, int(data.output_frames_gen * m_toChannels));
        if (data.output_frames_gen == 0 && (!last || used >= inFrames))
            break;
        if (data.output_frames_gen == 0 && data.input_frames_used == 0)
            ++idle;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::min<ptrdiff_t>(ptrdiff_t(used) * m_toChannels, ptrdiff_t(m_pending.size())));
}

int SampleConverter::available() const
{
    return int(m_ready.size() / size_t(std::max(m_toChannels, 1)));
}

int SampleConverter::get(std::int16_t *out, int frames)
{
    const int n = std::min(std::max(frames, 0), available());
    if (n == 0)
        return 0;
    const size_t samples = size_t(n) * m_toChannels;
    std::memcpy(out, m_ready.data(), samples * sizeof(std::int16_t));
    m_ready.erase(m_ready.begin(), m_ready.begin() + ptrdiff_t(samples));
    return n;
}

void SampleConverter::reset()
{
    if (m_resampler)
        src_reset(m_resampler);
    m_pending.clear();
    m_ready.clear();
}

QByteArray SampleConverter::convert(const QByteArray &samples, int fromRate, int fromChannels, int toRate, int toChannels)
{
    SampleConverter converter(fromRate, fromChannels, toRate, toChannels);
    if (!converter.ok())
        return {};
    const int frames = int(samples.size() / (2 * fromChannels));
    converter.put(reinterpret_cast<const std::int16_t *>(samples.constData()), frames, true);
    QByteArray out(qsizetype(converter.available()) * toChannels * 2, Qt::Uninitialized);
    converter.get(reinterpret_cast<std::int16_t *>(out.data()), converter.available());
    return out;
}

void mixSamples(std::int16_t *into, const std::int16_t *from, int samples, int volume)
{
    for (int i = 0; i < samples; ++i) {
        const int sum = into[i] + from[i] * volume / 128;
        into[i] = std::int16_t(std::clamp(sum, -32768, 32767));
    }
}

} // namespace lettora
