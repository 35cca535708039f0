#include "sound/MixerTrack.h"

#include <algorithm>

#include <cmath>

namespace lettora {

namespace {

size_t readFile(void *to, size_t size, size_t count, void *file)
{
    const qint64 got = static_cast<QFile *>(file)->read(static_cast<char *>(to), qint64(size * count));
    return got > 0 ? size_t(got) / size : 0;
}

int seekFile(void *file, ogg_int64_t offset, int whence)
{
    auto *f = static_cast<QFile *>(file);
    const qint64 base = whence == SEEK_CUR ? f->pos() : whence == SEEK_END ? f->size() : 0;
    return f->seek(base + offset) ? 0 : -1;
}

long tellFile(void *file)
{
    return long(static_cast<QFile *>(file)->pos());
}

} // namespace

OggTrack::OggTrack(std::unique_ptr<QFile> file) : m_file(std::move(file))
{
    const ov_callbacks callbacks{&readFile, &seekFile, nullptr, &tellFile};
    if (ov_open_callbacks(m_file.get(), &m_vorbis, nullptr, 0, callbacks) != 0)
        return;
    m_opened = true;
    const vorbis_info *info = ov_info(&m_vorbis, -1);
    if (!info || info->channels < 1 || info->channels > 8 || info->rate < 1000 || info->rate > 384000)
        return;
    m_rate = int(info->rate);
    m_channels = info->channels;
    const double seconds = ov_time_total(&m_vorbis, -1);
    if (seconds >= 0)
        m_length = std::llround(seconds * 1000);
}

OggTrack::~OggTrack()
{
    if (m_opened)
        ov_clear(&m_vorbis);
}

bool OggTrack::hasComment(const QByteArray &wanted)
{
    const vorbis_comment *comments = ov_comment(&m_vorbis, -1);
    for (int i = 0; comments && i < comments->comments; ++i) {
        if (QByteArray(comments->user_comments[i], comments->comment_lengths[i]) == wanted)
            return true;
    }
    return false;
}

int OggTrack::read(std::int16_t *out, int frames)
{
    char *at = reinterpret_cast<char *>(out);
    int wanted = frames * m_channels * 2;
    int holes = 0;
    constexpr int bigEndian = QSysInfo::ByteOrder == QSysInfo::BigEndian;
    while (wanted > 0 && !m_ended) {
        int section = 0;
        const long got = ov_read(&m_vorbis, at, wanted, bigEndian, 2, 1, &section);
        if (got > 0) {
            at += got;
            wanted -= int(got);
        } else if (got != OV_HOLE || ++holes > 64) {
            m_ended = true;  // the end, or a stream broken beyond repair
        }
    }
    return frames - wanted / (m_channels * 2);
}

void OggTrack::rewind()
{
    m_ended = ov_pcm_seek(&m_vorbis, 0) != 0;
}

} // namespace lettora
