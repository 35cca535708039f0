#pragma once

#include <QByteArray>
#include <QString>

namespace lettora {

// A music player with the operations the game needs: Open a file by name, Play from where it
// stands (rewinding first when it stands at the end), Stop keeping the position, Close, and the
// Position and Length in milliseconds, equal exactly once a track has played to its end.
// Play, Stop and Length need an open device ("No MCI device open" otherwise); Position does not
// check (it gives 0 without one). Failures raise an Error. A device may open in the background:
// until it has, Length is -1 and Position 0, and when it fails, the next Play, Length or Position
// raises the error Open would have raised, and nothing is open. Its one home is lettora_media, which
// the game and both audio modules link; the players themselves are the game's proxy
// (makeModuleMediaPlayer, sound/AudioModule.h), the mixer's (sound/module/MixerMusic.h) and
// GStreamer's (sound/formats/GstMediaPlayer.h).
class MediaPlayer
{
public:
    virtual ~MediaPlayer() = default;

    QString FileName;

    // Closes what is open, then opens FileName; on failure nothing is open and the error names
    // the file and the reason.
    void Open();
    void Close();
    void Play();
    void Stop();
    qint64 Length();
    qint64 Position();
    bool isOpen() const { return m_open; }

protected:
    // The back end. openDevice gives an empty text on success, else the reason.
    virtual QString openDevice(const QString &file) = 0;
    virtual void closeDevice() = 0;
    virtual void playDevice() = 0;
    virtual void seekToStart() = 0;
    virtual void stopDevice() = 0;
    virtual qint64 deviceLength() = 0;  // -1 while unknown
    virtual qint64 devicePosition() = 0;
    // Why a device that opened in the background did not open after all; empty while it stands.
    virtual QString deviceFailure() { return {}; }

private:
    // The program's player drives the audio module's player through these (sound/AudioModule.cpp).
    friend class ModuleMediaPlayer;
    // The mixer's player hands the files it does not play to GStreamer's (sound/module/MixerMusic.cpp).
    friend class MixerMediaPlayer;

    void requireOpen() const;
    // Closes a device that failed to open in the background and raises its error.
    void checkFailure();
    [[noreturn]] void openFailed(const QString &reason);
    bool m_open = false;
};

// The General MIDI soundfont of the system, and the synthesiser's gain (FluidSynth's default 0.2 is
// far quieter than other music).
inline constexpr const char *SystemSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
inline constexpr double SynthGain = 0.8;

// The soundfont a MIDI file plays with: its own, the font of the same name beside it, else the
// system's. A font is
// read whole into memory: its own counts only up to LargestSoundFont (the common General MIDI
// fonts are smaller); a larger one is passed over for the system's.
inline constexpr qint64 LargestSoundFont = 256LL * 1024 * 1024;
QString ownSoundFont(const QString &midiFile);
QString soundFontFor(const QString &midiFile);
// The user's cache folder by the XDG rules: XDG_CACHE_HOME when it is an absolute path, else .cache
// in HOME when that is an absolute path other than the root; empty when there is neither, and then
// nothing is kept (never a folder made at the filesystem's root).
QString userCacheFolder();
// GStreamer's own registry in the cache folder given, where GStreamer keeps it
// (gstreamer-1.0/registry.<processor>.bin), or empty when no registry file is to be kept: no cache
// folder, or something other than a regular file in its place (GStreamer would wait for ever in
// open() on a FIFO). A file GStreamer cannot read it makes again.
QString gstRegistryFile(const QString &cacheFolder);

// Where the build's recording of a MIDI file stands: the .ogg of its name beside it.
QString midiRecording(const QString &midiFile);
// The Vorbis comment of that recording, made with the game's synthesiser (sound/formats/MidiSynth.h),
// naming the MIDI file's exact bytes: it plays in the file's place only while it names them.
QByteArray midiRecordingComment(const QByteArray &midi);

} // namespace lettora
