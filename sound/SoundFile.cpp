#include "sound/SoundFile.h"

#include "shell/RegularFile.h"

#include <mpg123.h>
#include <sndfile.h>

#include <QString>

#include <algorithm>
#include <unistd.h>

namespace lettora {

namespace {

// libsndfile stops an MP3 at the length its first frame suggests, which a variable bit rate with no
// header makes too short: MP3 goes to mpg123 itself, which reads to the end.
bool readMp3(int fd, int mostSeconds, SoundFileSamples &out)
{
    mpg123_handle *mp3 = mpg123_new(nullptr, nullptr);
    if (!mp3)
        return false;
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
    if (::lseek(fd, 0, SEEK_SET) == 0 && mpg123_open_fd(mp3, fd) == MPG123_OK
        && mpg123_getformat(mp3, &rate, &channels, &encoding) == MPG123_OK && channels >= 1 && channels <= 2) {
        const qsizetype most = qsizetype(rate) * mostSeconds * channels * 2;
        constexpr qsizetype Block = 16384;
        while (out.samples.size() < most) {
            const qsizetype at = out.samples.size();
            out.samples.resize(at + std::min(Block, most - at));
            size_t got = 0;
            // A change of format mid-file ends it: the rest would sound wrong.
            const int status = mpg123_read(mp3, reinterpret_cast<unsigned char *>(out.samples.data() + at),
                                           size_t(out.samples.size() - at), &got);
            out.samples.resize(at + qsizetype(got));
            if (status != MPG123_OK || got == 0)
                break;
        }
        out.samples.truncate(out.samples.size() - out.samples.size() % (channels * 2));
        out.rate = int(rate);
        out.channels = channels;
        mpg123_close(mp3);
    }
    mpg123_delete(mp3);
    return out.rate > 0;
}

} // namespace

bool readSoundFile(const QByteArray &path, int mostSeconds, SoundFileSamples &out)
{
    out = {};
    QString reason;
    const int fd = openRegularFile(path, reason);
    if (fd < 0)
        return false;
    SF_INFO info{};
    SNDFILE *file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file) {
        ::close(fd);
        return false;
    }
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        sf_close(file);
        const bool read = readMp3(fd, mostSeconds, out);
        ::close(fd);
        return read;
    }
    if (info.channels >= 1 && info.channels <= 8 && info.samplerate >= 1000 && info.samplerate <= 384000) {
        // Floating-point samples at full scale, not clipped.
        sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
        constexpr sf_count_t Block = 4096;
        const sf_count_t most = sf_count_t(info.samplerate) * mostSeconds;
        const qsizetype frameBytes = qsizetype(info.channels) * 2;
        for (sf_count_t frames = 0; frames < most;) {
            const sf_count_t wanted = std::min(Block, most - frames);
            const qsizetype at = out.samples.size();
            out.samples.resize(at + qsizetype(wanted) * frameBytes);
            const sf_count_t got = sf_readf_short(file, reinterpret_cast<short *>(out.samples.data() + at), wanted);
            out.samples.resize(at + qsizetype(std::max<sf_count_t>(got, 0)) * frameBytes);
            frames += std::max<sf_count_t>(got, 0);
            if (got < wanted)
                break;
        }
        out.rate = info.samplerate;
        out.channels = info.channels;
    }
    sf_close(file);
    ::close(fd);
    return out.rate > 0;
}

} // namespace lettora
