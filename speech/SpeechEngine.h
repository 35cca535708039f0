#pragma once

#include "sound/Pcm.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace lettora {

// Silence at both ends of a line cut off, so that a word is heard as soon as it plays: every
// sample quieter than `threshold` (in either direction) before the first louder one and after the
// last, but `keptFrames` next to the sound, so that it does not start or end with a click. Nothing
// is left of a line that is silent throughout. `samples` as in Pcm.
QByteArray trimSilence(const QByteArray &samples, int threshold, qsizetype keptFrames);
// The same with the voice's own measures: a threshold far below speech, a few milliseconds kept.
Pcm trimSilence(const Pcm &pcm);

// Asked now and then while a line is made: true abandons it.
using StopAsked = std::function<bool()>;

// A text-to-speech back end: text in, samples out, in memory (no speech daemon, no audio of its
// own). Not thread-safe: one thread speaks through an engine at a time.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;
    // `language` is one of languages(); `speed` in percent of the engine's child-friendly pace.
    // False when nothing could be made, or when `stop` (if any) said so before the end.
    virtual bool synthesize(const QString &text, const QString &language, int speed, Pcm &out,
                            const StopAsked &stop = {}) = 0;
    // The language codes it speaks ("en", "fr", "pt-BR").
    virtual QList<QString> languages() = 0;
};

// The engines, loaded from their shared libraries on the first call; null when a library or a voice
// is missing. `libraryDir` (tests) looks there instead of the system's library path.
// Flite with the cmu_us_slt voice: English only, the more natural voice.
std::unique_ptr<SpeechEngine> loadFlite(const QByteArray &libraryDir = {});
// eSpeak NG: about a hundred languages.
std::unique_ptr<SpeechEngine> loadEspeak(const QByteArray &libraryDir = {});

// A language code in this program's spelling: "pt-br" and "pt_BR" give "pt-BR", "EN" gives "en".
QString normalLanguageCode(const QString &code);

} // namespace lettora
