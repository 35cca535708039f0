// The voice's costs: the time from a request to its first sample, first and later words, for
// each engine and through the game's Voice, and the resident memory speech adds.
// Usage: lettora-speech-bench [flite|espeak|espeak-fr|voice|letters|languages]   (each in a fresh process, for its memory)
#include "sound/AudioModule.h"
#include "sound/Effects.h"
#include "sound/module/Mixer.h"
#include "sound/module/MixerEffects.h"
#include "speech/SpeechEngine.h"
#include "speech/Voice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace lettora;

namespace {

const char *const Words[] = {"cat", "elephant", "boat", "giraffe", "umbrella", "apple", "zebra", "house",
                             "banana", "rabbit", "flower", "tiger"};

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void engine(const char *name, const QString &language)
{
    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<SpeechEngine> e = qstrcmp(name, "flite") == 0 ? loadFlite() : loadEspeak();
    if (!e) {
        std::printf("%s: not available\n", name);
        return;
    }
    const double loadMs = timer.nsecsElapsed() / 1e6;
    Pcm pcm;
    timer.restart();
    e->synthesize(QLatin1String(Words[0]), language, 100, pcm);
    const double firstMs = timer.nsecsElapsed() / 1e6;
    std::vector<double> later;
    double seconds = 0;
    for (int round = 0; round < 3; ++round)
        for (const char *word : Words) {
            timer.restart();
            e->synthesize(QLatin1String(word), language, 100, pcm);
            later.push_back(timer.nsecsElapsed() / 1e6);
            seconds += double(pcm.frames()) / pcm.rate;
        }
    std::printf("%s (%s): load %.1f ms, first word %.1f ms, later words median %.1f ms (%.0f ms of speech each), "
                "%d Hz; resident +%.1f MB\n",
                name, qPrintable(language), loadMs, firstMs, median(later), seconds * 1000 / later.size(), pcm.rate,
                residentMb() - before);
}

// Through the game's path: request, worker, conversion, mixer channel (the null output).
void voice()
{
    setEffectPlayer(makeModuleEffectPlayer("null"));
    const double before = residentMb();
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < 13; ++i) {
        mixer::halt(VoiceChannel);
        const QByteArray name = QByteArray(Words[i % 12]) + ".jpg";
        timer.start();
        Voice::instance().sayPictureWord(name, {});
        while (!mixer::sounding(VoiceChannel) && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double first = times.front();
    times.erase(times.begin());
    std::printf("Voice (%s): picture word requested to playing on the voice channel: first %.1f ms, later median "
                "%.1f ms; resident +%.1f MB\n",
                qPrintable(Voice::instance().speakingLanguage()), first, median(times), residentMb() - before);
    Voice::instance().shutdown();
    setEffectPlayer(nullptr);
}

// Letters typed three a second: how much of each letter's name is heard before the next cuts it
// (the mixer's null output plays in real time).
void letters()
{
    setEffectPlayer(makeModuleEffectPlayer("null"));
    mixer::Format format;
    Voice::instance().sayPictureWord("cat.jpg", {});  // the engines loaded, as in a game
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    mixer::format(format);
    const double bytesPerMs = format.rate * format.frameBytes() / 1000.0;
    const char typed[] = "elephant";
    struct Heard
    {
        const MixerChunk *chunk = nullptr;
        qint64 start = -1, end = -1;
        double leadMs = 0, lengthMs = 0;
    };
    std::vector<Heard> heard;
    const MixerChunk *sounding = mixer::sounding(VoiceChannel);
    timer.restart();
    int next = 0;
    while (timer.elapsed() < 333 * 8 + 1500) {
        if (next < 8 && timer.elapsed() >= 333 * next)
            Voice::instance().sayLetter(typed[next++]);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const MixerChunk *now = mixer::sounding(VoiceChannel);
        if (now == sounding)
            continue;
        if (!heard.empty() && heard.back().end < 0)
            heard.back().end = timer.elapsed();
        sounding = now;
        if (now) {
            Heard h{now, timer.elapsed(), -1, 0, now->samples.size() / bytesPerMs};
            const auto *samples = reinterpret_cast<const qint16 *>(now->samples.constData());
            qsizetype first = 0;
            while (first < now->samples.size() / 2 && std::abs(int(samples[first])) < 1000)
                ++first;
            h.leadMs = first * 2 / bytesPerMs;
            heard.push_back(h);
        }
    }
    std::printf("letters of \"%s\" typed every 333 ms:\n", typed);
    for (const Heard &h : heard) {
        const double played = (h.end < 0 ? h.lengthMs : double(h.end - h.start));
        std::printf("  at %5lld ms: line of %4.0f ms, silent for its first %3.0f ms, played %4.0f ms, %s\n",
                    qlonglong(h.start), h.lengthMs, h.leadMs, played,
                    played >= h.lengthMs - 5 ? "whole" : "cut");
    }
    Voice::instance().shutdown();
    setEffectPlayer(nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QByteArray what = argc > 1 ? QByteArray(argv[1]) : QByteArray("voice");
    if (what == "flite")
        engine("flite", QStringLiteral("en"));
    else if (what == "espeak") {
        engine("espeak", QStringLiteral("en"));
    } else if (what == "espeak-fr") {
        engine("espeak", QStringLiteral("fr"));
    } else if (what == "languages") {
        const QList<Voice::Language> languages = Voice::instance().languages();
        std::printf("%lld languages, speaking %s:", qlonglong(languages.size()),
                    qPrintable(Voice::instance().speakingLanguage()));
        for (const Voice::Language &language : languages)
            std::printf(" %s (%s)", qPrintable(language.code), qPrintable(language.name));
        std::printf("\n");
    } else if (what == "letters") {
        letters();
    } else
        voice();
    return 0;
}
