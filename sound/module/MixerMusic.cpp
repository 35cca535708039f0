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
#include <mutex>
#include <utility>
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

namespace {

// One open track and what is made for it when it opens: the mixer's thread decodes or
// synthesises it into the output's block, through the track's own converter and buffer where the
// rates or channels differ, so that no block allocates. The track, its converter and its buffer
// belong to the thread that renders (the mixer's); the window's thread makes them and, once the
// mixer lets go, deletes them. The rest is under the music's lock.
struct OpenTrack
{
    // The track's own frames read a piece at a time for its converter.
    static constexpr int PieceFrames = 1024;

    OpenTrack(std::unique_ptr<MixerTrack> opened, int mixerRate, int mixerChannels)
        : track(std::move(opened)), block(size_t(PieceFrames) * size_t(track->channels())), length(track->length())
    {
        if (mixerRate > 0 && (track->rate() != mixerRate || track->channels() != mixerChannels))
            makeConverter(mixerRate, mixerChannels);
    }

    // The mixer's thread.
    void makeConverter(int rate, int channels)
    {
        if (converter && convertedRate == rate && convertedChannels == channels)
            return;
        converter = std::make_unique<SampleConverter>(track->rate(), track->channels(), rate, channels);
        convertedRate = rate;
        convertedChannels = channels;
        trackDrained = false;
    }

    // The mixer's thread: back to the start, the converter emptied.
    void restart()
    {
        track->rewind();
        if (converter)
            converter->reset();
        trackDrained = false;
    }

    // The mixer's thread, into `out` (the mixer's format), which it fills or, at the end, fills
    // partly and leaves the rest; how many frames it filled, -1 while the track is not ready.
    int render(std::int16_t *out, int frames, int rate, int channels)
    {
        if (!track->ready())
            return -1;
        if (track->rate() == rate && track->channels() == channels)
            return track->read(out, frames);
        makeConverter(rate, channels);  // made at open already unless the mixer opened later
        if (!converter->ok())
            return 0;
        while (converter->available() < frames && !trackDrained) {
            const int got = track->read(block.data(), PieceFrames);
            trackDrained = got < PieceFrames;
            converter->put(block.data(), got, trackDrained);
        }
        return converter->get(out, frames);
    }

    std::unique_ptr<MixerTrack> track;
    std::unique_ptr<SampleConverter> converter;
    int convertedRate = 0;
    int convertedChannels = 0;
    bool trackDrained = false;
    std::vector<std::int16_t> block;

    // Under the music's lock.
    bool rewind = false;      // asked by the window, done by the mixer's thread before it reads on
    quint64 generation = 0;   // counts the rewinds: a block rendered before one does not count
    qint64 length;            // -1 while unknown
    double playedMicros = 0;
    bool atEnd = false;
};

// What the mixer's thread reads: the track that sounds and the mixer's format, under `lock`, which
// is held only to read or change them, never while a track renders: no call of the window's waits
// for the decoder or the synthesiser. A track closed while the mixer's thread renders it waits in
// `gone` until the window next closes one, or the music stops.
struct MusicOutput
{
    std::mutex lock;
    OpenTrack *sounding = nullptr;
    OpenTrack *rendering = nullptr;  // the one the mixer's thread renders outside the lock
    std::vector<std::unique_ptr<OpenTrack>> gone;
    int rate = 0;  // 0 while the mixer is closed
    int channels = 0;
    int volume = MixerMaxVolume;
};

MusicOutput &output()
{
    static MusicOutput out;
    return out;
}

// The window's thread: lets go of `track` (null for none) and deletes what the mixer's thread no
// longer renders, outside the lock.
void retire(std::unique_ptr<OpenTrack> track)
{
    MusicOutput &out = output();
    std::vector<std::unique_ptr<OpenTrack>> freed;
    {
        std::lock_guard guard(out.lock);
        if (track) {
            if (out.sounding == track.get())
                out.sounding = nullptr;
            out.gone.push_back(std::move(track));
        }
        for (std::unique_ptr<OpenTrack> &t : out.gone)
            if (t.get() != out.rendering)
                freed.push_back(std::move(t));
        std::erase(out.gone, nullptr);
    }
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

protected:
    QString openDevice(const QString &file) override
    {
        m_usesOther = false;
        retire(std::move(m_track));
        std::unique_ptr<MixerTrack> track = openTrack(file);
        if (!track) {
            if (!m_otherwise && m_makeOther)
                m_otherwise = m_makeOther();
            if (!m_otherwise)
                return QLatin1String(NotForMixer);
            m_usesOther = true;
            return m_otherwise->openDevice(file);
        }
        int rate = 0;
        int channels = 0;
        {
            std::lock_guard guard(output().lock);
            rate = output().rate;
            channels = output().channels;
        }
        m_track = std::make_unique<OpenTrack>(std::move(track), rate, channels);
        return {};
    }

    void closeDevice() override
    {
        if (m_usesOther) {
            m_otherwise->closeDevice();
            return;
        }
        retire(std::move(m_track));
    }

    void playDevice() override
    {
        if (m_usesOther)
            return m_otherwise->playDevice();
        {
            std::lock_guard guard(output().lock);
            m_track->atEnd = false;
            output().sounding = m_track.get();  // another track stops where it stands
        }
        mixer::wake();
    }

    void seekToStart() override
    {
        if (m_usesOther)
            return m_otherwise->seekToStart();
        std::lock_guard guard(output().lock);
        m_track->rewind = true;
        ++m_track->generation;
        m_track->playedMicros = 0;
        m_track->atEnd = false;
    }

    void stopDevice() override
    {
        if (m_usesOther)
            return m_otherwise->stopDevice();
        std::lock_guard guard(output().lock);
        if (output().sounding == m_track.get())
            output().sounding = nullptr;
    }

    qint64 deviceLength() override
    {
        if (m_usesOther)
            return m_otherwise->deviceLength();
        std::lock_guard guard(output().lock);
        return m_track->length;
    }

    qint64 devicePosition() override
    {
        if (m_usesOther)
            return m_otherwise->devicePosition();
        std::lock_guard guard(output().lock);
        const OpenTrack &t = *m_track;
        if (t.atEnd)
            return t.length;
        const qint64 position = qint64(t.playedMicros / 1000);
        // Before the end the position stays below the length, so only the end makes them equal.
        if (t.length >= 0 && position >= t.length)
            return t.length - 1;
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
            const qint64 length = midiFileLength(data);
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

    // GStreamer, for what the mixer does not play, made when first needed.
    std::function<std::unique_ptr<MediaPlayer>()> m_makeOther;
    MixerTrackOpener m_opener;
    std::unique_ptr<MediaPlayer> m_otherwise;
    bool m_usesOther = false;
    std::unique_ptr<OpenTrack> m_track;  // while open; the mixer's thread may still render one closed
};

namespace {

bool mixMusic(std::uint8_t *stream, int bytes)
{
    MusicOutput &out = output();
    OpenTrack *track = nullptr;
    int rate = 0;
    int channels = 0;
    quint64 generation = 0;
    bool rewind = false;
    {
        std::lock_guard guard(out.lock);
        track = out.sounding;
        rate = out.rate;
        channels = out.channels;
        if (!track || channels == 0)
            return false;
        out.rendering = track;  // stays while it renders, closed or not
        generation = track->generation;
        rewind = std::exchange(track->rewind, false);
    }
    if (rewind)
        track->restart();
    // The stream holds silence here: the music goes in first, the effects over it.
    auto *samples = reinterpret_cast<std::int16_t *>(stream);
    const int frames = bytes / (2 * channels);
    const int done = track->render(samples, frames, rate, channels);
    std::lock_guard guard(out.lock);
    out.rendering = nullptr;
    // Stopped, closed or rewound meanwhile, what it rendered is not heard and does not count.
    if (done < 0 || out.sounding != track || track->generation != generation) {
        std::fill(samples, samples + size_t(frames) * size_t(channels), std::int16_t(0));
        return done < 0;  // silence, but the output stays awake for a track about to sound
    }
    track->playedMicros += double(done) * 1e6 / rate;
    if (done < frames) {
        track->atEnd = true;
        if (track->length < 0)
            track->length = qint64(track->playedMicros / 1000);
        out.sounding = nullptr;
    }
    if (out.volume != MixerMaxVolume)
        for (int i = 0; i < done * channels; ++i)
            samples[i] = std::int16_t(samples[i] * out.volume / MixerMaxVolume);
    return true;
}

} // namespace

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
    {
        std::lock_guard guard(output().lock);
        output().rate = 0;
        output().channels = 0;
    }
    retire(nullptr);  // the mixer's thread has ended: the tracks closed while it rendered go
}

bool mixerMusicSounding()
{
    std::lock_guard guard(output().lock);
    return output().sounding != nullptr;
}

void setMixerMusicVolume(int percent)
{
    std::lock_guard guard(output().lock);
    output().volume = std::clamp(percent, 0, 100) * MixerMaxVolume / 100;
}

} // namespace lettora
