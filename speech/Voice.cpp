#include "speech/Voice.h"

#include "sound/AudioModule.h"
#include "sound/Channels.h"
#include "sound/Effects.h"
#include "sound/MediaPlayer.h"
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
// Lines made ahead (the next picture's word, the praise for this one) and the words said: a few,
// each at most the answer row's letters long.
constexpr qsizetype MaxPreparedLines = 6;
// How often a letter that waits for the one before to end looks whether it has.
constexpr int LetterWaitPollMs = 5;
constexpr qsizetype MaxWaitingLetters = 4;

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
    bool prepareOnly = false;              // made to be kept, not played
};

// A line made, ready to play.
struct MadeLine
{
    std::shared_ptr<VoiceClip> clip;
    bool letter = false;  // a letter's name alone
    QString described;    // as the line log has it
};

// Lines ready to play, in the mixer's format, by their text, language and speed; the least
// recently used goes first. Shared by the GUI thread and the worker.
class PreparedLines
{
public:
    static QString key(const QString &text, const QString &language, int speed)
    {
        return text + QLatin1Char('\n') + language + QLatin1Char('\n') + QString::number(speed);
    }

    QByteArray find(const QString &key)
    {
        std::lock_guard lock(m_mutex);
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (m_lines.at(i).first == key) {
                m_lines.move(i, m_lines.size() - 1);
                return m_lines.last().second;
            }
        }
        return {};
    }

    bool contains(const QString &key)
    {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_lines.cbegin(), m_lines.cend(), [&key](const auto &line) { return line.first == key; });
    }

    void keep(const QString &key, const QByteArray &bytes)
    {
        std::lock_guard lock(m_mutex);
        m_lines.removeIf([&key](const auto &line) { return line.first == key; });
        m_lines.append({key, bytes});
        while (m_lines.size() > MaxPreparedLines)
            m_lines.removeFirst();
    }

    QStringList keys()
    {
        std::lock_guard lock(m_mutex);
        QStringList keys;
        for (const auto &line : m_lines)
            keys.append(line.first);
        return keys;
    }

    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }

private:
    std::mutex m_mutex;
    QList<QPair<QString, QByteArray>> m_lines;
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

    bool synthesize(const QString &text, const QString &language, int speed, Pcm &out, const StopAsked &stop)
    {
        std::lock_guard lock(m_mutex);
        // English has the more natural voice; eSpeak NG speaks the rest, and English too when
        // Flite is missing.
        SpeechEngine *engine = nullptr;
        if (isEnglish(language))
            engine = fliteLocked();
        if (!engine)
            engine = espeakLocked();
        return engine && engine->synthesize(text, language, speed, out, stop);
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
    PreparedLines prepared;
    QObject context;
    VoiceOutput output;
    std::unique_ptr<SpeechWorker<LineRequest, MadeLine>> worker;
    // A letter's name is not cut by the next letter's: that waits for its end, behind at most a
    // few others (the oldest goes first). Every other line cuts what sounds, and what waits, at once.
    QList<MadeLine> waitingLetters;
    bool soundingLetter = false;
    QTimer letterWait;
    std::function<void(const QString &)> playLog;
    // Lines of different kinds asked for in one turn of the event loop are said one after the
    // other, in one go ("Yes! Cat!", then the next picture's word); a later one of the same kind,
    // or a later turn's line, cuts them off.
    QList<LinePart> batch;
    bool flushQueued = false;
    // Lines to make ahead, sent to the worker after this turn's line, which goes first.
    QList<LinePart> toPrepare;
    QByteArray pictureName;
    QByteArray picturePath;
    std::function<void(const QStringList &)> lineLog;

    // A synthetic line in the mixer's format, from those made ahead when it is there; empty when
    // nothing could be made or it was abandoned.
    QByteArray synthetic(const QString &text, const QString &language, int speed, bool keep, const StopAsked &stop)
    {
        const QString key = PreparedLines::key(text, language, speed);
        QByteArray sound = prepared.find(key);
        if (!sound.isEmpty())
            return sound;
        Pcm pcm;
        if (engines.synthesize(text, language, speed, pcm, stop))
            sound = toMixerFormat(trimSilence(pcm));
        if (keep && !sound.isEmpty())
            prepared.keep(key, sound);
        return sound;
    }

    // On the worker thread.
    MadeLine make(const LineRequest &request, const StopAsked &stop)
    {
        const QString language = engines.speakingLanguage(request.chosenLanguage);
        if (language.isEmpty())
            return {};
        // The sound is made in the mixer's format.
        request.soundOutput.wait();
        if (request.prepareOnly) {
            for (const LinePart &part : request.parts) {
                const QString text = lineText(part.line, part.argument, language);
                if (!text.isEmpty() && !prepared.contains(PreparedLines::key(text, language, request.speed)))
                    synthetic(text, language, request.speed, true, stop);
            }
            return {};
        }
        QByteArray bytes;
        for (const LinePart &part : request.parts) {
            if (stop())
                return {};
            QByteArray sound;
            if (!part.picturePath.isEmpty()) {
                const QByteArray file = recordedWordFile(part.picturePath);
                if (!file.isEmpty())
                    sound = loadRecording(file);
            }
            const QString text = sound.isEmpty() ? lineText(part.line, part.argument, language) : QString();
            if (!text.isEmpty())
                sound = synthetic(text, language, request.speed, part.line == Line::Word, stop);
            if (sound.isEmpty())
                continue;
            if (!bytes.isEmpty())
                bytes += mixerSilence(PauseBetweenParts);
            bytes += sound;
        }
        if (bytes.isEmpty())
            return {};
        const bool letter = request.parts.size() == 1 && request.parts.first().line == Line::Letter;
        return {std::make_shared<VoiceClip>(std::move(bytes)), letter, describe(request.parts).join(QLatin1Char(','))};
    }

    // On the GUI thread.
    void play(MadeLine line)
    {
        if (line.letter && soundingLetter && (output.isSounding() || !waitingLetters.isEmpty())) {
            if (playLog)
                playLog(QStringLiteral("wait ") + line.described);
            waitingLetters.append(std::move(line));
            if (waitingLetters.size() > MaxWaitingLetters)
                waitingLetters.removeFirst();
            letterWait.start();
            return;
        }
        waitingLetters.clear();
        letterWait.stop();
        start(std::move(line));
    }

    void start(MadeLine line)
    {
        if (playLog)
            playLog(QStringLiteral("play ") + line.described);
        soundingLetter = line.letter;
        output.play(std::move(line.clip));
    }

    void playWaitingLetter()
    {
        if (output.isSounding())
            return;
        if (!waitingLetters.isEmpty())
            start(waitingLetters.takeFirst());
        if (waitingLetters.isEmpty())
            letterWait.stop();
    }

    void halt()
    {
        waitingLetters.clear();
        letterWait.stop();
        output.halt();
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
        queueFlush();
    }

    void prepare(LinePart part)
    {
        toPrepare.append(std::move(part));
        queueFlush();
    }

    void queueFlush()
    {
        if (flushQueued)
            return;
        flushQueued = true;
        QTimer::singleShot(0, &context, [this] { flush(); });
    }

    void flush()
    {
        flushQueued = false;
        if (!worker) {  // shut down
            batch.clear();
            toPrepare.clear();
            return;
        }
        const VoiceSettings &settings = Voice::settings();
        if (!batch.isEmpty()) {
            if (lineLog)
                lineLog(describe(batch));
            worker->submit(
                LineRequest{std::exchange(batch, {}), settings.language, settings.speed, prepareSoundOutput()});
        }
        for (LinePart &part : std::exchange(toPrepare, {}))
            worker->prepare(
                LineRequest{{std::move(part)}, settings.language, settings.speed, prepareSoundOutput(), true});
    }
};

Voice &Voice::instance()
{
    static Voice voice;
    return voice;
}

Voice::Voice() : d(std::make_unique<Private>())
{
    start();
    d->letterWait.setInterval(LetterWaitPollMs);
    QObject::connect(&d->letterWait, &QTimer::timeout, &d->context, [this] { d->playWaitingLetter(); });
}

Voice::~Voice()
{
    shutdown();
}

void Voice::start()
{
    if (d->worker)
        return;
    d->worker = std::make_unique<SpeechWorker<LineRequest, MadeLine>>(
        [this](const LineRequest &request, const StopAsked &stop) { return d->make(request, stop); }, &d->context,
        [this](MadeLine line) { d->play(std::move(line)); });
}

void Voice::shutdown()
{
    d->batch.clear();
    d->toPrepare.clear();
    d->worker.reset();
    d->halt();
}

void Voice::sayPictureWord(const QByteArray &pictureName, const QByteArray &picturePath)
{
    d->pictureName = pictureName;
    // Made absolute now: the worker must not depend on the current folder.
    d->picturePath = picturePath.isEmpty()
        ? QByteArray()
        : QFile::encodeName(QFileInfo(QFile::decodeName(picturePath)).absoluteFilePath());
    repeatPictureWord();
    // The praise for a right answer, ready before the child is done.
    const QString word = spokenWord(pictureName);
    if (!word.isEmpty() && settings().praise)
        d->prepare({Line::Right, word, {}});
}

void Voice::repeatPictureWord()
{
    if (!settings().speakWords)
        return;
    const QString word = spokenWord(d->pictureName);
    if (!word.isEmpty() || !d->picturePath.isEmpty())
        d->add({Line::Word, word, d->picturePath});
}

void Voice::preparePictureWord(const QByteArray &pictureName)
{
    const QString word = spokenWord(pictureName);
    if (!word.isEmpty() && settings().speakWords)
        d->prepare({Line::Word, word, {}});
}

void Voice::sayLetter(char letter)
{
    if (settings().speakLetters)
        d->add({Line::Letter, QString(QLatin1Char(letter)), {}});
}

void Voice::sayRight(const QString &word)
{
    if (settings().praise)
        d->add({Line::Right, lowerAsciiLetters(word), {}});
}

void Voice::sayWrong()
{
    if (settings().praise)
        d->add({Line::Wrong, {}, {}});
}

void Voice::sayWin()
{
    // The win picture hides the picture whose word was about to be said.
    d->batch.removeIf([](const LinePart &part) { return part.line == Line::Word; });
    if (settings().praise)
        d->add({Line::Win, {}, {}});
}

void Voice::sayLose()
{
    d->batch.removeIf([](const LinePart &part) { return part.line == Line::Word; });
    if (settings().praise)
        d->add({Line::Lose, {}, {}});
}

void Voice::sayTry()
{
    d->add({Line::Try, {}, {}});
}

void Voice::stop()
{
    d->batch.clear();
    d->toPrepare.clear();
    if (d->worker)
        d->worker->cancel();
    d->halt();
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
    return d->engines.speakingLanguage(settings().language);
}

namespace {
VoiceSettings &storedSettings()
{
    static VoiceSettings settings;
    return settings;
}
} // namespace

void Voice::setSettings(const VoiceSettings &settings)
{
    VoiceSettings &stored = storedSettings();
    const bool volumes = settings.voiceVolume != stored.voiceVolume
        || settings.effectsVolume != stored.effectsVolume || settings.musicVolume != stored.musicVolume;
    stored = settings;
    if (volumes)
        applyVolumes();
}

const VoiceSettings &Voice::settings()
{
    return storedSettings();
}

void Voice::applyVolumes()
{
    const VoiceSettings &settings = Voice::settings();
    setChannelVolume(VoiceChannel, settings.voiceVolume);
    setChannelVolume(EffectsChannel, settings.effectsVolume);
    setMusicVolume(settings.musicVolume);
}

void Voice::setLineLog(std::function<void(const QStringList &)> log)
{
    d->lineLog = std::move(log);
}

void Voice::setPlayLog(std::function<void(const QString &)> log)
{
    d->playLog = std::move(log);
}

void Voice::setLibraryDir(const QByteArray &dir)
{
    stop();
    d->engines.setLibraryDir(dir);
    d->prepared.clear();
}

QStringList Voice::preparedLines()
{
    return d->prepared.keys();
}

} // namespace lettora
