// The voice's costs: the time from a request to its first sample, first and later words, for
// each engine and through the game's Voice, and the resident memory speech adds.
// Usage: lettora-speech-bench [flite|espeak|espeak-fr|voice|languages]   (each in a fresh process, for its memory)
#include "sound/Effects.h"
#include "sound/Mixer.h"
#include "sound/MixerEffects.h"
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
    setEffectPlayer(makeMixerEffectPlayer("null"));
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
    } else
        voice();
    return 0;
}
