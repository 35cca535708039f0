#include "speech/SpeechEngine.h"

#include "shell/core/SymbolTable.h"

#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>

#include <QSet>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lettora {

namespace {

// A child's pace: a little slower than either engine's own.
constexpr float FliteStretch = 1.15f;
constexpr int EspeakWordsPerMinute = 140;
constexpr int EspeakMinRate = 80;
constexpr int EspeakMaxRate = 450;

// Speech peaks above a tenth of full scale; the hiss in the engines' pauses stays below this.
constexpr int SilenceThreshold = 200;
constexpr int KeptSilenceMs = 10;

void *openLibrary(const QByteArray &dir, const char *name)
{
    const QByteArray path = dir.isEmpty() ? QByteArray(name) : dir + '/' + name;
    // Local symbols: the two engines never see each other's names.
    return ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
}

int clampedSpeed(int speed)
{
    return std::clamp(speed, 50, 200);
}

class FliteEngine : public SpeechEngine
{
public:
    ~FliteEngine() override
    {
        // The voice's data lives in the libraries, which stay loaded: unloading them could leave
        // Flite's own static pointers dangling.
    }

    bool load(const QByteArray &dir)
    {
        // The voice library pulls in libflite, its lexicon and its language by itself.
        for (const char *name : {"libflite.so.1", "libflite_usenglish.so.1", "libflite_cmulex.so.1"})
            if (!openLibrary(dir, name))
                return false;
        void *core = openLibrary(dir, "libflite.so.1");
        void *slt = openLibrary(dir, "libflite_cmu_us_slt.so.1");
        if (!core || !slt)
            return false;
        cst_voice *(*registerVoice)(const char *) = nullptr;
        int (*init)() = nullptr;
        if (!resolveSymbols(core, {{"flite_init", init},
                                   {"flite_text_to_wave", m_toWave},
                                   {"delete_wave", m_deleteWave},
                                   {"feat_set_float", m_setFloat},
                                   {"new_audio_streaming_info", m_newStreaming},
                                   {"audio_streaming_info_val", m_streamingValue},
                                   {"feat_set", m_setFeature}})
            || !resolveSymbols(slt, {{"register_cmu_us_slt", registerVoice}}))
            return false;
        init();
        m_voice = registerVoice(nullptr);
        return m_voice != nullptr;
    }

    bool synthesize(const QString &text, const QString &, int speed, Pcm &out, const StopAsked &stop) override
    {
        m_setFloat(m_voice->features, "duration_stretch", FliteStretch * 100.0f / float(clampedSpeed(speed)));
        // Flite calls back after each chunk of a wave it makes: there a line can be abandoned. Set
        // for each line, as every engine loaded shares the one voice; its features own the record
        // and free the one before.
        cst_audio_streaming_info *streaming = m_newStreaming();
        streaming->asc = &FliteEngine::chunkMade;
        streaming->userdata = this;
        m_setFeature(m_voice->features, "streaming_info", m_streamingValue(streaming));
        m_stop = &stop;
        m_stopped = false;
        cst_wave *wave = m_toWave(text.toUtf8().constData(), m_voice);
        m_stop = nullptr;
        if (!wave)
            return false;
        const bool made = !m_stopped && wave->num_samples > 0 && wave->num_channels == 1;
        if (made) {
            out.rate = wave->sample_rate;
            out.samples = QByteArray(reinterpret_cast<const char *>(wave->samples), qsizetype(wave->num_samples) * 2);
        }
        m_deleteWave(wave);
        return made;
    }

    QList<QString> languages() override { return {QStringLiteral("en")}; }

private:
    static int chunkMade(const cst_wave *, int, int, int, cst_audio_streaming_info *streaming)
    {
        auto *self = static_cast<FliteEngine *>(streaming->userdata);
        if (self->m_stopped || (self->m_stop && *self->m_stop && (*self->m_stop)()))
            self->m_stopped = true;
        return self->m_stopped ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
    }

    const StopAsked *m_stop = nullptr;
    bool m_stopped = false;
    cst_voice *m_voice = nullptr;
    cst_wave *(*m_toWave)(const char *, cst_voice *) = nullptr;
    void (*m_deleteWave)(cst_wave *) = nullptr;
    void (*m_setFloat)(cst_features *, const char *, float) = nullptr;
    cst_audio_streaming_info *(*m_newStreaming)() = nullptr;
    cst_val *(*m_streamingValue)(const cst_audio_streaming_info *) = nullptr;
    void (*m_setFeature)(cst_features *, const char *, const cst_val *) = nullptr;
};

class EspeakEngine : public SpeechEngine
{
public:
    bool load(const QByteArray &dir)
    {
        void *library = openLibrary(dir, "libespeak-ng.so.1");
        if (!library)
            return false;
        int (*initialize)(espeak_AUDIO_OUTPUT, int, const char *, int) = nullptr;
        if (!resolveSymbols(library, {{"espeak_Initialize", initialize},
                                      {"espeak_SetSynthCallback", m_setCallback},
                                      {"espeak_Synth", m_synth},
                                      {"espeak_SetVoiceByProperties", m_setVoice},
                                      {"espeak_SetParameter", m_setParameter},
                                      {"espeak_ListVoices", m_listVoices}}))
            return false;
        // DONT_EXIT: missing data must not end the program.
        m_rate = initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (m_rate <= 0)
            return false;
        m_setCallback(&EspeakEngine::collect);
        return !languages().isEmpty();
    }

    bool synthesize(const QString &text, const QString &language, int speed, Pcm &out, const StopAsked &stop) override
    {
        const QByteArray name = language.toLower().toLatin1();
        if (name != m_language) {
            espeak_VOICE wanted{};
            wanted.languages = name.constData();
            if (m_setVoice(&wanted) != EE_OK)
                return false;
            m_language = name;
        }
        m_setParameter(espeakRATE,
                       std::clamp(EspeakWordsPerMinute * clampedSpeed(speed) / 100, EspeakMinRate, EspeakMaxRate), 0);
        out.samples.clear();
        const QByteArray utf8 = text.toUtf8();
        Collected collected{&out, &stop, false};
        if (m_synth(utf8.constData(), size_t(utf8.size() + 1), 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                    &collected)
                != EE_OK
            || collected.stopped)
            return false;
        out.rate = m_rate;
        return out.frames() > 0;
    }

    QList<QString> languages() override
    {
        if (!m_languages.isEmpty() || !m_listVoices)
            return m_languages;
        QSet<QString> seen;
        const espeak_VOICE **voices = m_listVoices(nullptr);
        for (; voices && *voices; ++voices) {
            // Each entry: a priority byte, then the language's name; the first is its own.
            const char *languages = (*voices)->languages;
            if (!languages || !languages[0])
                continue;
            const QString code = normalLanguageCode(QString::fromLatin1(languages + 1));
            // "fr-FR" also answers to "fr": the language alone picks its first region.
            for (const QString &each : {code.section(QLatin1Char('-'), 0, 0), code}) {
                if (!each.isEmpty() && !seen.contains(each)) {
                    seen.insert(each);
                    m_languages.append(each);
                }
            }
        }
        return m_languages;
    }

private:
    struct Collected
    {
        Pcm *out;
        const StopAsked *stop;
        bool stopped;
    };

    // 1 abandons the synthesis.
    static int collect(short *samples, int count, espeak_EVENT *events)
    {
        auto *collected = events ? static_cast<Collected *>(events->user_data) : nullptr;
        if (!collected)
            return 0;
        if (collected->stopped || (*collected->stop && (*collected->stop)())) {
            collected->stopped = true;
            return 1;
        }
        if (samples && count > 0)
            collected->out->samples.append(reinterpret_cast<const char *>(samples), qsizetype(count) * 2);
        return 0;
    }

    int m_rate = 0;
    QByteArray m_language;
    QList<QString> m_languages;
    void (*m_setCallback)(t_espeak_callback *) = nullptr;
    espeak_ERROR (*m_synth)(const void *, size_t, unsigned int, espeak_POSITION_TYPE, unsigned int, unsigned int,
                            unsigned int *, void *) = nullptr;
    espeak_ERROR (*m_setVoice)(espeak_VOICE *) = nullptr;
    espeak_ERROR (*m_setParameter)(espeak_PARAMETER, int, int) = nullptr;
    const espeak_VOICE **(*m_listVoices)(espeak_VOICE *) = nullptr;
};

} // namespace

QByteArray trimSilence(const QByteArray &samples, int threshold, qsizetype keptFrames)
{
    const auto *frames = reinterpret_cast<const qint16 *>(samples.constData());
    const qsizetype count = samples.size() / 2;
    auto loud = [&](qsizetype i) { return std::abs(int(frames[i])) >= threshold; };
    qsizetype first = 0;
    while (first < count && !loud(first))
        ++first;
    if (first == count)
        return {};
    qsizetype last = count - 1;
    while (!loud(last))
        --last;
    first = std::max<qsizetype>(0, first - keptFrames);
    last = std::min(count - 1, last + keptFrames);
    return samples.mid(first * 2, (last - first + 1) * 2);
}

Pcm trimSilence(const Pcm &pcm)
{
    return {trimSilence(pcm.samples, SilenceThreshold, qsizetype(pcm.rate) * KeptSilenceMs / 1000), pcm.rate};
}

QString normalLanguageCode(const QString &code)
{
    QString c = code.trimmed();
    c.replace(QLatin1Char('_'), QLatin1Char('-'));
    const qsizetype dot = c.indexOf(QLatin1Char('.'));  // "en_US.UTF-8"
    if (dot >= 0)
        c.truncate(dot);
    QStringList parts = c.split(QLatin1Char('-'));
    for (qsizetype i = 0; i < parts.size(); ++i)
        parts[i] = i > 0 && parts[i].size() == 2 ? parts[i].toUpper() : parts[i].toLower();
    return parts.join(QLatin1Char('-'));
}

std::unique_ptr<SpeechEngine> loadFlite(const QByteArray &libraryDir)
{
    auto engine = std::make_unique<FliteEngine>();
    return engine->load(libraryDir) ? std::move(engine) : nullptr;
}

std::unique_ptr<SpeechEngine> loadEspeak(const QByteArray &libraryDir)
{
    auto engine = std::make_unique<EspeakEngine>();
    return engine->load(libraryDir) ? std::move(engine) : nullptr;
}

} // namespace lettora
