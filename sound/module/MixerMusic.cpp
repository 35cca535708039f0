#include "sound/module/MixerMusic.h"

#include "shell/core/MidiFile.h"
#include "shell/core/RegularFile.h"
#include "sound/module/AudioFormats.h"
#include "sound/module/Mixer.h"
#include "sound/module/MixerTrack.h"
#include "sound/module/SampleConverter.h"

#include <vorbis/vorbisfile.h>

#include <QFile>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

namespace lettora {

namespace {

// A MIDI file is read whole; one this large is no tune.
constexpr qint64 LargestMidiFile = 8 * 1024 * 1024;

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

} // namespace

class MixerMediaPlayer;

namespace {

// What the mixer's thread reads: the track that sounds and the mixer's format. Everything a player
// changes that the mixer's thread reads is changed under `lock`, which is never held while a track
// renders: Play, Stop, Position and Length do not wait for the decoder or the synthesiser. A
// player's track itself (opened, closed, rewound) changes under `rendering`, taken first.
struct MusicOutput
{
    std::mutex rendering;
    std::mutex lock;
    MixerMediaPlayer *sounding = nullptr;
    int rate = 0;  // 0 while the mixer is closed
    int channels = 0;
    int volume = MixerMaxVolume;
    std::vector<std::int16_t> mixed;  // under `rendering`
};

MusicOutput &output()
{
    static MusicOutput out;
    return out;
}

} // namespace

class MixerMediaPlayer : public MediaPlayer
{
public:
    explicit MixerMediaPlayer(std::function<std::unique_ptr<MediaPlayer>()> otherwise) : m_makeOther(std::move(otherwise)) {}
    explicit MixerMediaPlayer(MixerTrackOpener opener) : m_opener(std::move(opener)) {}
    // The program's player drives this one through its device calls, so it may never have been
    // opened as far as MediaPlayer knows: the mixer lets go of it here in any case.
    ~MixerMediaPlayer() override
    {
        if (!m_usesOther)
            closeDevice();
    }

    // The mixer's thread, under `rendering` alone, into `out` (the mixer's format), which it
    // fills or, at the end, fills partly and leaves the rest; how many frames it filled, -1 while
    // the track is not ready.
    int render(std::int16_t *out, int frames, int rate, int channels)
    {
        if (!m_track->ready())
            return -1;
        if (m_track->rate() == rate && m_track->channels() == channels)
            return m_track->read(out, frames);
        return convert(out, frames, rate, channels);
    }

    // The mixer's thread, under `lock`, after render: `done` of `frames` were played.
    void played(int done, int frames, int rate)
    {
        m_playedMicros += double(done) * 1e6 / rate;
        if (done < frames) {
            m_atEnd = true;
            if (m_length < 0)
                m_length = qint64(m_playedMicros / 1000);
            if (output().sounding == this)
                output().sounding = nullptr;
        }
    }

protected:
    QString openDevice(const QString &file) override
    {
        m_usesOther = false;
        std::unique_ptr<MixerTrack> track = openTrack(file);
        if (!track) {
            if (!m_otherwise && m_makeOther)
                m_otherwise = m_makeOther();
            if (!m_otherwise)
                return QLatin1String(NotForMixer);
            m_usesOther = true;
            return m_otherwise->openDevice(file);
        }
        std::lock_guard rendering(output().rendering);
        std::lock_guard guard(output().lock);
        m_track = std::move(track);
        m_length = m_track->length();
        m_playedMicros = 0;
        m_atEnd = false;
        return {};
    }

    void closeDevice() override
    {
        if (m_usesOther) {
            m_otherwise->closeDevice();
            return;
        }
        std::unique_ptr<MixerTrack> gone;
        {
            std::lock_guard rendering(output().rendering);
            std::lock_guard guard(output().lock);
            if (output().sounding == this)
                output().sounding = nullptr;
            gone = std::move(m_track);
            m_converter.reset();
        }
    }

    void playDevice() override
    {
        if (m_usesOther)
            return m_otherwise->playDevice();
        {
            std::lock_guard guard(output().lock);
            m_atEnd = false;
            output().sounding = this;  // another track stops where it stands
        }
        mixer::wake();
    }

    void seekToStart() override
    {
        if (m_usesOther)
            return m_otherwise->seekToStart();
        std::lock_guard rendering(output().rendering);
        std::lock_guard guard(output().lock);
        m_track->rewind();
        m_converter.reset();
        m_playedMicros = 0;
        m_atEnd = false;
    }

    void stopDevice() override
    {
        if (m_usesOther)
            return m_otherwise->stopDevice();
        std::lock_guard guard(output().lock);
        if (output().sounding == this)
            output().sounding = nullptr;
    }

    qint64 deviceLength() override
    {
        if (m_usesOther)
            return m_otherwise->deviceLength();
        std::lock_guard guard(output().lock);
        return m_length;
    }

    qint64 devicePosition() override
    {
        if (m_usesOther)
            return m_otherwise->devicePosition();
        std::lock_guard guard(output().lock);
        if (m_atEnd)
            return m_length;
        const qint64 position = qint64(m_playedMicros / 1000);
        // Before the end the position stays below the length, so only the end makes them equal.
        if (m_length >= 0 && position >= m_length)
            return m_length - 1;
        return position;
    }

    QString deviceFailure() override { return m_usesOther ? m_otherwise->deviceFailure() : QString(); }

private:
    std::unique_ptr<MixerTrack> openTrack(const QString &name)
    {
        if (m_opener)
            return m_opener(name);
        auto file = std::make_unique<QFile>();
        QString refused;
        if (!openRegularFile(*file, QFile::encodeName(name), refused))
            return nullptr;
        const QByteArray magic = file->peek(4);
        if (magic == "MThd") {
            if (file->size() > LargestMidiFile)
                return nullptr;
            const QByteArray data = file->readAll();
            const qint64 length = midiLength(data);
            if (length < 0)
                return nullptr;
            if (std::unique_ptr<MixerTrack> recording = recordingOf(name, data))
                return recording;
            int rate = 0;
            {
                std::lock_guard guard(output().lock);
                rate = output().rate;
            }
            // Synthesised: the synthesiser comes with the module of the rarer formats.
            const AudioFormats *formats = audioFormats();
            return std::unique_ptr<MixerTrack>(
                formats ? formats->openMidi(data, length, rate > 0 ? rate : MixerRate, soundFontFor(name)) : nullptr);
        }
        if (magic == "OggS") {
            auto track = std::make_unique<OggTrack>(std::move(file));
            return track->ok() ? std::move(track) : nullptr;
        }
        return nullptr;
    }

    // The build's recording of exactly this MIDI file, beside it under its name.
    static std::unique_ptr<MixerTrack> recordingOf(const QString &midiName, const QByteArray &midi)
    {
        auto file = std::make_unique<QFile>();
        QString refused;
        if (!openRegularFile(*file, QFile::encodeName(midiRecording(midiName)), refused) || file->peek(4) != "OggS")
            return nullptr;
        auto track = std::make_unique<OggTrack>(std::move(file));
        if (!track->ok() || !track->hasComment(midiRecordingComment(midi)))
            return nullptr;
        return track;
    }

    // The track's samples through a converter, where the mixer's rate or channels differ.
    int convert(std::int16_t *out, int frames, int rate, int channels)
    {
        if (!m_converter || m_convertedRate != rate || m_convertedChannels != channels) {
            m_converter = std::make_unique<SampleConverter>(m_track->rate(), m_track->channels(), rate, channels);
            m_convertedRate = rate;
            m_convertedChannels = channels;
            m_trackDrained = false;
        }
        if (!m_converter->ok())
            return 0;
        constexpr int Block = 1024;
        m_block.resize(size_t(Block * m_track->channels()));
        while (m_converter->available() < frames && !m_trackDrained) {
            const int got = m_track->read(m_block.data(), Block);
            m_trackDrained = got < Block;
            m_converter->put(m_block.data(), got, m_trackDrained);
        }
        return m_converter->get(out, frames);
    }

    // GStreamer, for what the mixer does not play, made when first needed.
    std::function<std::unique_ptr<MediaPlayer>()> m_makeOther;
    MixerTrackOpener m_opener;
    std::unique_ptr<MediaPlayer> m_otherwise;
    bool m_usesOther = false;
    std::unique_ptr<MixerTrack> m_track;
    std::unique_ptr<SampleConverter> m_converter;
    int m_convertedRate = 0;
    int m_convertedChannels = 0;
    bool m_trackDrained = false;
    std::vector<std::int16_t> m_block;
    qint64 m_length = -1;
    double m_playedMicros = 0;
    bool m_atEnd = false;
};

namespace {

bool mixMusic(std::uint8_t *stream, int bytes)
{
    MusicOutput &out = output();
    std::lock_guard rendering(out.rendering);  // the track stays while it renders
    MixerMediaPlayer *player = nullptr;
    int rate = 0;
    int channels = 0;
    {
        std::lock_guard guard(out.lock);
        player = out.sounding;
        rate = out.rate;
        channels = out.channels;
    }
    if (!player || channels == 0)
        return false;
    const int frames = bytes / (2 * channels);
    out.mixed.assign(size_t(frames * channels), 0);
    const int done = player->render(out.mixed.data(), frames, rate, channels);
    if (done < 0)
        return true;  // silence, but the output stays awake for the track about to sound
    std::lock_guard guard(out.lock);
    player->played(done, frames, rate);
    // The stream holds silence here: the music goes in first, the effects over it.
    mixSamples(reinterpret_cast<std::int16_t *>(stream), out.mixed.data(), frames * channels, out.volume);
    return true;
}

} // namespace

qint64 midiLength(const QByteArray &data)
{
    return midiFileLength(data);
}

std::unique_ptr<MediaPlayer> makeMixerMediaPlayer(std::function<std::unique_ptr<MediaPlayer>()> otherwise)
{
    return std::make_unique<MixerMediaPlayer>(std::move(otherwise));
}

std::unique_ptr<MediaPlayer> makeMixerMediaPlayerOf(MixerTrackOpener opener)
{
    return std::make_unique<MixerMediaPlayer>(std::move(opener));
}

void startMixerMusic()
{
    mixer::Format format;
    if (!mixer::format(format))
        return;
    {
        std::lock_guard guard(output().lock);
        output().rate = format.rate;
        output().channels = format.channels;
    }
    mixer::setMusic(&mixMusic);
}

void stopMixerMusic()
{
    mixer::setMusic(nullptr);
    std::lock_guard guard(output().lock);
    output().rate = 0;
    output().channels = 0;
}

void setMixerMusicVolume(int percent)
{
    std::lock_guard guard(output().lock);
    output().volume = std::clamp(percent, 0, 100) * MixerMaxVolume / 100;
}

} // namespace lettora
