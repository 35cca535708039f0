#pragma once

#include "speech/SpeechEngine.h"

#include <QByteArray>

#include <memory>

namespace lettora {

struct MixerChunk;

// Sound in the mixer's own format (rate, sample format, channel count), ready for its voice
// channel. Made off the GUI thread; all are empty while the mixer is closed.
QByteArray toMixerFormat(const Pcm &pcm);
// A recording (WAV, OGG or MP3), read only when it is a regular file.
QByteArray loadRecording(const QByteArray &path);
// A pause between two parts of one line.
QByteArray mixerSilence(int milliseconds);

// One line, ready to play.
class VoiceClip
{
public:
    explicit VoiceClip(QByteArray mixerBytes);
    ~VoiceClip();
    VoiceClip(const VoiceClip &) = delete;
    VoiceClip &operator=(const VoiceClip &) = delete;
    MixerChunk *chunk() const { return m_chunk; }

private:
    QByteArray m_bytes;
    MixerChunk *m_chunk = nullptr;
};

// The voice channel of the mixer the effects opened: a new line halts the one that sounds; the
// effects' channel is never touched. Silent while the mixer is closed. GUI thread only.
class VoiceOutput
{
public:
    ~VoiceOutput() { halt(); }
    bool play(std::shared_ptr<VoiceClip> clip);
    void halt();
    bool isSounding() const;
    const MixerChunk *sounding() const;

private:
    std::shared_ptr<VoiceClip> m_current;
};

} // namespace lettora
