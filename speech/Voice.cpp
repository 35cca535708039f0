#include "speech/Voice.h"

#include "parents/ParentSettings.h"
#include "sound/Effects.h"
#include "sound/MediaPlayer.h"
#include "sound/MixerEffects.h"
#include "speech/SpeechEngine.h"
#include "speech/SpeechWorker.h"
#include "speech/SpokenText.h"
#include "speech/VoiceOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTimer>

#include <mutex>
#include <optional>

namespace lettora {

namespace {

constexpr int PauseBetweenParts = 250;  // ms, between "Yes! Cat!" and the next picture's word

// One part of a line: what to say, or a picture whose recording, when there is one, is played.
struct LinePart
{
    Line line;
    QString argument;
    QByteArray picturePath;
};

struct LineRequest
{
    QList<LinePart> parts;
    QString chosenLanguage;
    int speed = 100;
    std::shared_future<void> soundOutput;  // the mixer, opening while the engines start
};

// The engines, each loaded on its first use; the worker and the parents' corner share them.
class Engines
{
public:
    void setLibraryDir(const QByteArray &dir)
    {
        std::lock_guard lock(m_mutex);
        m_dir = dir;
        m_flite.reset();
        m_espeak.reset();
        m_triedFlite = m_triedEspeak = false;
        m_languages.reset();
    }

    QList<QString> languages()
    {
        std::lock_guard lock(m_mutex);
        return languagesLocked();
    }

    QString speakingLanguage(const QString &chosen)
    {
        std::lock_guard lock(m_mutex);
        return chooseLanguage(languagesLocked(), chosen, QLocale::system().name());
    }

    bool synthesize(const QString &text, const QString &language, int speed, Pcm &out)
    {
        std::lock_guard lock(m_mutex);
        // English has the more natural voice; eSpeak NG speaks the rest, and English too when
        // Flite is missing.
        SpeechEngine *engine = nullptr;
        if (isEnglish(language))
            engine = fliteLocked();
        if (!engine)
            engine = espeakLocked();
        return engine && engine->synthesize(text, language, speed, out);
    }

private:
    static bool isEnglish(const QString &language)
    {
        return language == QLatin1String("en") || language.startsWith(QLatin1String("en-"));
    }

    const QList<QString> &languagesLocked()
    {
        if (!m_languages) {
            QList<QString> codes;
            if (SpeechEngine *flite = fliteLocked())
                codes = flite->languages();
            if (SpeechEngine *espeak = espeakLocked())
                for (const QString &code : espeak->languages())
                    if (!codes.contains(code))
                        codes.append(code);
            m_languages = codes;
        }
        return *m_languages;
    }

    SpeechEngine *fliteLocked()
    {
        if (!m_triedFlite) {
            m_triedFlite = true;
            m_flite = loadFlite(m_dir);
        }
        return m_flite.get();
    }

    SpeechEngine *espeakLocked()
    {
        if (!m_triedEspeak) {
            m_triedEspeak = true;
            m_espeak = loadEspeak(m_dir);
        }
        return m_espeak.get();
    }

    std::mutex m_mutex;
    QByteArray m_dir;
    bool m_triedFlite = false;
    bool m_triedEspeak = false;
    std::unique_ptr<SpeechEngine> m_flite;
    std::unique_ptr<SpeechEngine> m_espeak;
    std::optional<QList<QString>> m_languages;
};

} // namespace

struct Voice::Private
{
    Engines engines;
    QObject context;
    VoiceOutput output;
    std::unique_ptr<SpeechWorker<LineRequest, std::shared_ptr<VoiceClip>>> worker;
    // Lines of different kinds asked for in one turn of the event loop are said one after the
    // other, in one go ("Yes! Cat!", then the next picture's word); a later one of the same kind,
    // or a later turn's line, cuts them off.
    QList<LinePart> batch;
    bool flushQueued = false;
    QByteArray pictureName;
    QByteArray picturePath;
    std::function<void(const QStringList &)> lineLog;

    // On the worker thread.
    std::shared_ptr<VoiceClip> make(const LineRequest &request)
    {
        const QString language = engines.speakingLanguage(request.chosenLanguage);
        if (language.isEmpty())
            return nullptr;
        // The sound is made in the mixer's format.
        request.soundOutput.wait();
        QByteArray bytes;
        for (const LinePart &part : request.parts) {
            QByteArray sound;
            if (!part.picturePath.isEmpty()) {
                const QByteArray file = recordedWordFile(part.picturePath);
                if (!file.isEmpty())
                    sound = loadRecording(file);
            }
            const QString text = sound.isEmpty() ? lineText(part.line, part.argument, language) : QString();
            Pcm pcm;
            if (!text.isEmpty() && engines.synthesize(text, language, request.speed, pcm))
                sound = toMixerFormat(pcm);
            if (sound.isEmpty())
                continue;
            if (!bytes.isEmpty())
                bytes += mixerSilence(PauseBetweenParts);
            bytes += sound;
        }
        return bytes.isEmpty() ? nullptr : std::make_shared<VoiceClip>(std::move(bytes));
    }

    static QStringList describe(const QList<LinePart> &parts)
    {
        static const char *const names[] = {"word", "letter", "right", "wrong", "win", "lose", "try"};
        QStringList described;
        for (const LinePart &part : parts) {
            QString text = QLatin1String(names[int(part.line)]);
            if (!part.argument.isEmpty())
                text += QLatin1Char(':') + part.argument;
            if (!part.picturePath.isEmpty())
                text += QLatin1String("+recording");
            described.append(text);
        }
        return described;
    }

    // Adds a part to this turn's line; the line goes to the worker once the turn ends.
    void add(LinePart part)
    {
        // Several keys may come in one turn: the last letter is said, not a queue of them.
        batch.removeIf([&part](const LinePart &pending) { return pending.line == part.line; });
        batch.append(std::move(part));
        if (flushQueued)
            return;
        flushQueued = true;
        QTimer::singleShot(0, &context, [this] { flush(); });
    }

    void flush()
    {
        flushQueued = false;
        if (!worker)
            batch.clear();  // shut down
        if (batch.isEmpty())
            return;
        if (lineLog)
            lineLog(describe(batch));
        const ParentSettings &settings = ParentSettingsStore::instance().current();
        worker->submit(LineRequest{std::exchange(batch, {}), settings.language, settings.speed, prepareSoundOutput()});
    }
};

Voice &Voice::instance()
{
    static Voice voice;
    return voice;
}

Voice::Voice() : d(std::make_unique<Private>())
{
    d->worker = std::make_unique<SpeechWorker<LineRequest, std::shared_ptr<VoiceClip>>>(
        [this](const LineRequest &request) { return d->make(request); }, &d->context,
        [this](std::shared_ptr<VoiceClip> clip) { d->output.play(std::move(clip)); });
    QObject::connect(&ParentSettingsStore::instance(), &ParentSettingsStore::changed, &d->context,
                     [this] { applyVolumes(); });
}

Voice::~Voice()
{
    shutdown();
}

void Voice::shutdown()
{
    d->batch.clear();
    d->worker.reset();
    d->output.halt();
}

void Voice::sayPictureWord(const QByteArray &pictureName, const QByteArray &picturePath)
{
    d->pictureName = pictureName;
    // Made absolute now: the worker must not depend on the current folder.
    d->picturePath = picturePath.isEmpty()
        ? QByteArray()
        : QFile::encodeName(QFileInfo(QFile::decodeName(picturePath)).absoluteFilePath());
    repeatPictureWord();
}

void Voice::repeatPictureWord()
{
    if (!ParentSettingsStore::instance().current().speakWords)
        return;
    const QString word = spokenWord(d->pictureName);
    if (!word.isEmpty() || !d->picturePath.isEmpty())
        d->add({Line::Word, word, d->picturePath});
}

void Voice::sayLetter(char letter)
{
    if (ParentSettingsStore::instance().current().speakLetters)
        d->add({Line::Letter, QString(QLatin1Char(letter)), {}});
}

void Voice::sayRight(const QString &word)
{
    if (ParentSettingsStore::instance().current().praise)
        d->add({Line::Right, lowerAsciiLetters(word), {}});
}

void Voice::sayWrong()
{
    if (ParentSettingsStore::instance().current().praise)
        d->add({Line::Wrong, {}, {}});
}

void Voice::sayWin()
{
    // The win picture hides the picture whose word was about to be said.
    d->batch.removeIf([](const LinePart &part) { return part.line == Line::Word; });
    if (ParentSettingsStore::instance().current().praise)
        d->add({Line::Win, {}, {}});
}

void Voice::sayLose()
{
    d->batch.removeIf([](const LinePart &part) { return part.line == Line::Word; });
    if (ParentSettingsStore::instance().current().praise)
        d->add({Line::Lose, {}, {}});
}

void Voice::sayTry()
{
    d->add({Line::Try, {}, {}});
}

void Voice::stop()
{
    d->batch.clear();
    if (d->worker)
        d->worker->cancel();
    d->output.halt();
}

QList<Voice::Language> Voice::languages()
{
    const QString system = chooseLanguage(d->engines.languages(), {}, QLocale::system().name());
    QList<Language> result;
    QHash<QString, int> uses;
    for (const QString &code : d->engines.languages()) {
        result.append({code, languageDisplayName(code)});
        ++uses[result.last().name];
    }
    // Two voices of one name (variants the locale data does not tell apart) show their codes.
    for (Language &language : result) {
        if (uses.value(language.name) > 1)
            language.name += QStringLiteral(" [") + language.code + QLatin1Char(']');
    }
    std::sort(result.begin(), result.end(), [&](const Language &a, const Language &b) {
        if ((a.code == system) != (b.code == system))
            return a.code == system;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return result;
}

QString Voice::speakingLanguage()
{
    return d->engines.speakingLanguage(ParentSettingsStore::instance().current().language);
}

void Voice::applyVolumes()
{
    const ParentSettings &settings = ParentSettingsStore::instance().current();
    setChannelVolume(VoiceChannel, settings.voiceVolume);
    setChannelVolume(EffectsChannel, settings.effectsVolume);
    setMusicVolume(settings.musicVolume);
}

void Voice::setLineLog(std::function<void(const QStringList &)> log)
{
    d->lineLog = std::move(log);
}

void Voice::setLibraryDir(const QByteArray &dir)
{
    stop();
    d->engines.setLibraryDir(dir);
}

} // namespace lettora
