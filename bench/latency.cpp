// Start latency: from the call that plays an effect or asks for a spoken line to its first
// audible sample at the sound server (louder than Audible; leading silence does not count), read
// back from the null sink's monitor. For Lettora's effect player, its voice (a picture's word made
// ahead as the game does, one not made ahead, a letter's name), and for the platform's floor: a
// PulseAudio stream kept open and written directly.
//   lettora-latency SINK CLICK_WAV [RUNS]
#include "sound/AudioModule.h"
#include "sound/Effects.h"
#include "sound/module/MixerEffects.h"
#include "speech/Voice.h"

#include <pulse/simple.h>

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int Rate = 48000;
constexpr int Chunk = 96;  // 2 ms
constexpr int Audible = 1000;  // about -30 dBFS: the engines' pauses and hiss stay far below it

// Listens on the monitor and notes when sound starts after each arm().
class Listener
{
public:
    explicit Listener(const char *monitor)
    {
        pa_sample_spec format{PA_SAMPLE_S16LE, Rate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = Chunk * 2;
        m_pa = pa_simple_new(nullptr, "lettora-latency", PA_STREAM_RECORD, monitor, "monitor", &format, nullptr,
                             &attr, nullptr);
        if (m_pa)
            m_thread = std::thread([this] { run(); });
    }
    ~Listener()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_pa)
            pa_simple_free(m_pa);
    }
    bool ok() const { return m_pa != nullptr; }
    void arm() { m_onset = Clock::time_point(); m_loud = 0; m_armed = true; }
    Clock::time_point onset() const { return m_onset; }
    // Samples heard above the threshold since arm(): the whole click, not only its start.
    int loud() const { return m_loud; }

private:
    void run()
    {
        std::vector<int16_t> buffer(Chunk);
        while (!m_stop) {
            if (pa_simple_read(m_pa, buffer.data(), buffer.size() * 2, nullptr) < 0)
                return;
            const auto now = Clock::now();
            const pa_usec_t latency = pa_simple_get_latency(m_pa, nullptr);
            for (int i = 0; i < Chunk; ++i)
                m_loud += std::abs(int(buffer[i])) > Audible;
            if (!m_armed)
                continue;
            for (int i = 0; i < Chunk; ++i) {
                if (std::abs(int(buffer[i])) > Audible) {
                    const auto back = std::chrono::microseconds(latency) + std::chrono::microseconds((Chunk - i) * 1000000LL / Rate);
                    m_onset = now - back;
                    m_armed = false;
                    break;
                }
            }
        }
    }
    pa_simple *m_pa = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_armed{false};
    std::atomic<int> m_loud{0};
    Clock::time_point m_onset;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

struct Heard
{
    std::vector<double> latencies;
    std::vector<double> loudSamples;
};

// The voice's lines are made on a worker and handed back through the event loop: it runs while
// a run waits.
void wait(int millis)
{
    const auto until = Clock::now() + std::chrono::milliseconds(millis);
    while (Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// Each run waits `quietMillis` first: 400 ms as between a child's clicks, or longer than the
// game's output waits before it rests. `before(i)` runs as the quiet begins.
template<typename Play, typename Before = void (*)(int)>
Heard measure(Listener &listener, int runs, Play play, int quietMillis = 400, Before before = [](int) {})
{
    Heard heard;
    for (int i = 0; i < runs; ++i) {
        before(i);
        wait(quietMillis);
        listener.arm();
        const auto call = Clock::now();
        play(i);
        wait(400);
        const auto onset = listener.onset();
        if (onset != Clock::time_point()) {
            heard.latencies.push_back(std::chrono::duration<double, std::milli>(onset - call).count());
            heard.loudSamples.push_back(listener.loud());
        } else {
            std::fprintf(stderr, "run %d: not heard\n", i + 1);
        }
    }
    return heard;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QByteArray monitor = QByteArray(argv[1]) + ".monitor";
    const QString click = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;
    Listener listener(monitor.constData());
    if (!listener.ok()) {
        std::fprintf(stderr, "cannot record %s\n", monitor.constData());
        return 1;
    }

    lettora::MixerEffectPlayer player(nullptr);
    // Both streams run a while first, as in the game, where the first effect comes seconds later.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto lettora = measure(listener, runs, [&](int) { player.play(click); });
    const int restRuns = std::max(3, runs / 3);
    const auto rested = measure(listener, restRuns, [&](int) { player.play(click); }, 2600);

    // The voice on the same mixer, the engines loaded by a first line.
    lettora::setEffectPlayer(lettora::makeModuleEffectPlayer());
    lettora::Voice &voice = lettora::Voice::instance();
    voice.sayLetter('a');
    wait(1000);
    const char *const words[] = {"cat", "elephant", "boat", "giraffe", "umbrella", "apple", "zebra", "house",
                                 "banana", "rabbit", "flower", "tiger", "lemon", "horse", "pencil", "window"};
    auto picture = [&](int i, int round) { return QByteArray(words[i % 16]) + QByteArray::number(round) + ".jpg"; };
    // Made ahead: the game asks for the next picture's word while the child spells this one.
    const auto ahead = measure(
        listener, runs, [&](int i) { voice.sayPictureWord(picture(i, 1), {}); }, 400,
        [&](int i) {
            voice.stop();
            voice.preparePictureWord(picture(i, 1));
        });
    const auto notAhead = measure(
        listener, runs, [&](int i) { voice.sayPictureWord(picture(i, 2), {}); }, 400, [&](int) { voice.stop(); });
    const auto letter = measure(
        listener, runs, [&](int i) { voice.sayLetter(char('a' + i % 26)); }, 400, [&](int) { voice.stop(); });
    voice.shutdown();
    lettora::setEffectPlayer(nullptr);

    // The floor: an open low-latency stream; silence is written until the click is due.
    QFile wav(click);
    wav.open(QIODevice::ReadOnly);
    const QByteArray all = wav.readAll();
    const QByteArray samples = all.mid(44);  // 16-bit mono at 22050 Hz: spread to 48000
    std::vector<int16_t> clickSamples;
    for (int i = 0; i < Rate * (samples.size() / 2) / 22050; ++i)
        clickSamples.push_back(qFromLittleEndian<qint16>(samples.constData() + 2 * (i * 22050 / Rate)));
    pa_sample_spec format{PA_SAMPLE_S16LE, Rate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = Chunk * 2 * 2;
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    pa_simple *out = pa_simple_new(nullptr, "lettora-latency", PA_STREAM_PLAYBACK, argv[1], "floor", &format, nullptr,
                                   &attr, nullptr);
    std::atomic<bool> due{false}, stop{false};
    std::thread writer([&] {
        std::vector<int16_t> silence(Chunk, 0);
        while (!stop) {
            if (due.exchange(false))
                pa_simple_write(out, clickSamples.data(), clickSamples.size() * 2, nullptr);
            else
                pa_simple_write(out, silence.data(), silence.size() * 2, nullptr);
        }
    });
    const auto floor = measure(listener, runs, [&](int) { due = true; });
    stop = true;
    writer.join();
    pa_simple_free(out);

    std::printf("effect start latency, median of %d: Lettora %.1f ms (%zu heard), the floor %.1f ms (%zu heard)\n",
                runs, median(lettora.latencies), lettora.latencies.size(), median(floor.latencies), floor.latencies.size());
    std::printf("after 2.6 s of quiet, median of %d: Lettora %.1f ms (%zu heard); loud samples of a click: %.0f, after quiet %.0f\n",
                restRuns, median(rested.latencies), rested.latencies.size(), median(lettora.loudSamples),
                median(rested.loudSamples));
    std::printf("voice to its first audible sample, median of %d: a picture's word made ahead %.1f ms (%zu heard), "
                "not made ahead %.1f ms (%zu heard), a letter's name %.1f ms (%zu heard)\n",
                runs, median(ahead.latencies), ahead.latencies.size(), median(notAhead.latencies),
                notAhead.latencies.size(), median(letter.latencies), letter.latencies.size());
    return 0;
}
