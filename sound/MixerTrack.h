#pragma once

#include <QByteArray>
#include <QFile>

#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <memory>

namespace lettora {

// The decoder of one track for the mixer, in its own rate and channel count (16-bit, interleaved).
class MixerTrack
{
public:
    virtual ~MixerTrack() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    virtual qint64 length() const = 0;  // milliseconds; -1 while unknown
    // Fewer frames than asked only at the end.
    virtual int read(std::int16_t *out, int frames) = 0;
    virtual void rewind() = 0;
};

// An Ogg Vorbis stream, read from the file as it plays.
class OggTrack : public MixerTrack
{
public:
    // Check ok(): false when the file holds no Vorbis stream the mixer can play.
    explicit OggTrack(std::unique_ptr<QFile> file);
    ~OggTrack() override;
    OggTrack(const OggTrack &) = delete;
    OggTrack &operator=(const OggTrack &) = delete;

    bool ok() const { return m_rate > 0; }
    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    qint64 length() const override { return m_length; }
    int read(std::int16_t *out, int frames) override;
    void rewind() override;

    // Whether one of its comments is exactly `wanted`.
    bool hasComment(const QByteArray &wanted);

private:
    std::unique_ptr<QFile> m_file;
    OggVorbis_File m_vorbis{};
    bool m_opened = false;
    bool m_ended = false;
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_length = -1;
};

} // namespace lettora
