#include "sound/module/SoundFile.h"

#include "shell/core/RegularFile.h"
#include "sound/module/SampleConverter.h"

#include <mpg123.h>
#include <sndfile.h>

#include <QString>

#include <algorithm>
#include <vector>
#include <unistd.h>

namespace lettora {

namespace {

// What is read goes through the converter a block at a time; only the converted sound is kept.
class Collector
{
public:
    Collector(int fromRate, int fromChannels, int toRate, int toChannels)
        : m_converter(fromRate, fromChannels, toRate, toChannels), m_frameBytes(toChannels * 2)
    {
    }

    bool ok() const { return m_converter.ok(); }

    void put(const std::int16_t *samples, int frames, bool last = false)
    {
        m_converter.put(samples, frames, last);
        const int ready = m_converter.available();
        const qsizetype at = m_out.size();
        m_out.resize(at + qsizetype(ready) * m_frameBytes);
        m_converter.get(reinterpret_cast<std::int16_t *>(m_out.data() + at), ready);
    }

    QByteArray take()
    {
        put(nullptr, 0, true);  // the converter's tail
        return std::move(m_out);
    }

private:
    SampleConverter m_converter;
    int m_frameBytes;
    QByteArray m_out;
};

// libsndfile stops an MP3 at the length its first frame suggests, which a variable bit rate with no
// header makes too short: MP3 goes to mpg123 itself, which reads to the end.
QByteArray readMp3(int fd, int mostSeconds, int toRate, int toChannels)
{
    mpg123_handle *mp3 = mpg123_new(nullptr, nullptr);
    if (!mp3)
        return {};
    mpg123_param(mp3, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(mp3);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mp3, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    QByteArray out;
    if (::lseek(fd, 0, SEEK_SET) == 0 && mpg123_open_fd(mp3, fd) == MPG123_OK
        && mpg123_getformat(mp3, &rate, &channels, &encoding) == MPG123_OK && channels >= 1 && channels <= 2) {
        Collector collector(int(rate), channels, toRate, toChannels);
        const qint64 most = qint64(rate) * mostSeconds * channels * 2;
        constexpr qint64 Block = 16384;
        std::vector<unsigned char> block(Block);
        for (qint64 read = 0; collector.ok() && read < most;) {
            size_t got = 0;
            // A change of format mid-file ends it: the rest would sound wrong.
            const int status = mpg123_read(mp3, block.data(), size_t(std::min(Block, most - read)), &got);
            const int frames = int(got / size_t(channels * 2));
            collector.put(reinterpret_cast<const std::int16_t *>(block.data()), frames);
            read += qint64(frames) * channels * 2;
            if (status != MPG123_OK || frames == 0)
                break;
        }
        if (collector.ok())
            out = collector.take();
        mpg123_close(mp3);
    }
    mpg123_delete(mp3);
    return out;
}

} // namespace

QByteArray readSoundFile(const QByteArray &path, int mostSeconds, int toRate, int toChannels)
{
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0)
        return {};
    SF_INFO info{};
    SNDFILE *file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file) {
        ::close(fd);
        return {};
    }
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        sf_close(file);
        QByteArray read = readMp3(fd, mostSeconds, toRate, toChannels);
        ::close(fd);
        return read;
    }
    QByteArray out;
    if (info.channels >= 1 && info.channels <= 8 && info.samplerate >= 1000 && info.samplerate <= 384000) {
        Collector collector(info.samplerate, info.channels, toRate, toChannels);
        // Floating-point samples at full scale, not clipped.
        sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
        constexpr sf_count_t Block = 4096;
        std::vector<short> block(size_t(Block * info.channels));
        const sf_count_t most = sf_count_t(info.samplerate) * mostSeconds;
        for (sf_count_t frames = 0; collector.ok() && frames < most;) {
            const sf_count_t wanted = std::min(Block, most - frames);
            const sf_count_t got = std::max<sf_count_t>(sf_readf_short(file, block.data(), wanted), 0);
            collector.put(block.data(), int(got));
            frames += got;
            if (got < wanted)
                break;
        }
        if (collector.ok())
            out = collector.take();
    }
    sf_close(file);
    ::close(fd);
    return out;
}

} // namespace lettora
