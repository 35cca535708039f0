#include "sound/module/AudioOutput.h"

#include "shell/core/SymbolTable.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace lettora::mixer {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto ConnectTimeout = std::chrono::seconds(5);
// How often a quiet mainloop comes back to look at `stop`.
constexpr int PollMicros = 100000;
// After this long with nothing to play, the output rests until the next sound instead of being
// fed silence a block at a time: the sound server plays out what it holds and stops the stream as
// on an underrun; the card is stopped. A game left open at its menu costs no processor time.
constexpr int RestAfterMillis = 2000;
// A resting output is woken by the next sound (or by `stop`); this is only how often it looks anyway.
constexpr int RestPollMicros = 1000000;

// The block every output mixes into, at most `blockFrames` frames of `channels` at `rate`.
class BlockOutput : public AudioOutput
{
protected:
    BlockOutput(int rate, int channels, int blockFrames, MixBlock mix)
        : m_rate(rate), m_channels(channels), m_frames(blockFrames), m_block(size_t(blockFrames) * channels), m_mix(mix)
    {
    }

    // `mayRest` is set once nothing has sounded for `RestAfterMillis`: the block is silence, and
    // an output that rests need not play it.
    const std::int16_t *mixBlock(int frames, bool *mayRest = nullptr)
    {
        const bool sounds = m_mix(m_block.data(), frames);
        m_quietFrames = sounds ? 0 : m_quietFrames + frames;
        if (mayRest)
            *mayRest = m_quietFrames > std::int64_t(m_rate) * RestAfterMillis / 1000;
        return m_block.data();
    }

    const int m_rate;
    const int m_channels;
    const int m_frames;

private:
    std::vector<std::int16_t> m_block;
    MixBlock m_mix;
    std::int64_t m_quietFrames = 0;
};

// Nowhere, at the pace of a real output: what plays ends when it would have ended.
class NullOutput : public BlockOutput
{
public:
    NullOutput(int rate, int channels, int blockFrames, MixBlock mix, int seconds)
        : BlockOutput(rate, channels, blockFrames, mix), m_seconds(seconds)
    {
    }

    bool run(const std::atomic<bool> &stop) override
    {
        const auto blockTime = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(m_frames) / m_rate));
        const Clock::time_point start = Clock::now();
        Clock::time_point next = start;
        while (!stop) {
            mixBlock(m_frames);
            next += blockTime;
            const Clock::time_point now = Clock::now();
            if (next < now - std::chrono::milliseconds(200))
                next = now;  // the machine stalled: no burst to catch up
            if (m_seconds > 0 && now - start >= std::chrono::seconds(m_seconds))
                return false;
            std::this_thread::sleep_until(next);
        }
        return true;
    }

private:
    int m_seconds;
};

// A playback stream of the sound server, on a mainloop of our own run by the mixer's thread: it
// waits until the server asks for samples, then mixes what it asks for (a block at most) and writes
// it, so that an effect waits no longer than the server's buffer of about one block.
class PulseOutput : public BlockOutput
{
public:
    PulseOutput(int rate, int channels, int blockFrames, MixBlock mix)
        : BlockOutput(rate, channels, blockFrames, mix)
    {
    }
    ~PulseOutput() override
    {
        if (m_stream) {
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        if (m_loop)
            pa_mainloop_free(m_loop);
    }

    bool open(pa_context_flags_t flags)
    {
        m_loop = pa_mainloop_new();
        if (!m_loop)
            return false;
        pa_proplist *properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Lettora");
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "lettora");
        pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "game");
        m_context = pa_context_new_with_proplist(pa_mainloop_get_api(m_loop), "Lettora", properties);
        const bool connecting = m_context && pa_context_connect(m_context, nullptr, flags, nullptr) >= 0;
        const Clock::time_point deadline = Clock::now() + ConnectTimeout;
        if (!connecting || !waitUntil(deadline, [this] { return contextState(); })) {
            pa_proplist_free(properties);
            return false;
        }
        const pa_sample_spec format{PA_SAMPLE_S16NE, std::uint32_t(m_rate), std::uint8_t(m_channels)};
        m_stream = pa_stream_new_with_proplist(m_context, "Lettora", &format, nullptr, properties);
        pa_proplist_free(properties);
        if (!m_stream)
            return false;
        // The server holds about one block: its latency is the effects' latency.
        const std::uint32_t bytes = std::uint32_t(m_frames * m_channels * sizeof(std::int16_t));
        const pa_buffer_attr buffer{std::uint32_t(-1), bytes, std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1)};
        if (pa_stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
            return false;
        return waitUntil(deadline, [this] {
            const int context = contextState();
            if (context <= 0)
                return context;
            const pa_stream_state_t state = pa_stream_get_state(m_stream);
            return state == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(state) ? 0 : -1;
        });
    }

    bool run(const std::atomic<bool> &stop) override
    {
        const size_t frameBytes = m_channels * sizeof(std::int16_t);
        while (!stop) {
            const size_t room = pa_stream_writable_size(m_stream);
            if (room == size_t(-1) || contextState() <= 0 || pa_stream_get_state(m_stream) != PA_STREAM_READY)
                return false;
            // What the server asks for, as soon as it asks (it may hold less than a block).
            const int frames = int(std::min(room / frameBytes, size_t(m_frames)));
            if (frames == 0) {
                if (!iterate(PollMicros))
                    return false;
                continue;
            }
            bool mayRest = false;
            const std::int16_t *block = mixBlock(frames, &mayRest);
            if (mayRest) {
                // Resting: a block of silence is not written, and the next sound (which wakes the
                // loop) is written as soon as it is mixed; the stream starts again with it.
                if (!iterate(RestPollMicros))
                    return false;
                continue;
            }
            if (pa_stream_write(m_stream, block, size_t(frames) * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return false;
        }
        return true;
    }

    void wake() override
    {
        pa_mainloop_wakeup(m_loop);
    }

private:
    // 1 ready, 0 on its way, -1 failed.
    int contextState() const
    {
        const pa_context_state_t state = pa_context_get_state(m_context);
        return state == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(state) ? 0 : -1;
    }

    // One pass of the mainloop, waiting at most `micros` for something to happen.
    bool iterate(int micros)
    {
        return pa_mainloop_prepare(m_loop, micros) >= 0 && pa_mainloop_poll(m_loop) >= 0 && pa_mainloop_dispatch(m_loop) >= 0;
    }

    template<typename State>
    bool waitUntil(Clock::time_point deadline, State state)
    {
        for (;;) {
            const int now = state();
            if (now != 0)
                return now > 0;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
            if (left <= 0 || !iterate(int(std::min<long long>(left, PollMicros))))
                return false;
        }
    }

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
};

// ALSA's library, opened only when no sound server answers: where one does, it is never loaded.
struct Alsa
{
    decltype(&snd_pcm_open) open = nullptr;
    decltype(&snd_pcm_set_params) setParams = nullptr;
    decltype(&snd_pcm_nonblock) nonblock = nullptr;
    decltype(&snd_pcm_writei) writei = nullptr;
    decltype(&snd_pcm_recover) recover = nullptr;
    decltype(&snd_pcm_drop) drop = nullptr;
    decltype(&snd_pcm_prepare) prepare = nullptr;
    decltype(&snd_pcm_close) close = nullptr;
    decltype(&snd_lib_error_set_handler) setErrorHandler = nullptr;

    static const Alsa *get()
    {
        static const Alsa alsa = load();
        return alsa.close ? &alsa : nullptr;
    }

private:
    static Alsa load()
    {
        Alsa a;
        void *library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return a;
        Alsa loaded;
        if (resolveSymbols(library, {{"snd_pcm_open", loaded.open},
                                     {"snd_pcm_set_params", loaded.setParams},
                                     {"snd_pcm_nonblock", loaded.nonblock},
                                     {"snd_pcm_writei", loaded.writei},
                                     {"snd_pcm_recover", loaded.recover},
                                     {"snd_pcm_drop", loaded.drop},
                                     {"snd_pcm_prepare", loaded.prepare},
                                     {"snd_lib_error_set_handler", loaded.setErrorHandler},
                                     {"snd_pcm_close", loaded.close}}))
            return loaded;
        return a;
    }
};

// ALSA prints its failures on the terminal; the game says nothing of a missing sound card.
void quietAlsa(const char *, int, const char *, int, const char *, ...) {}

// The sound card through ALSA's default device, which converts what the card does not take.
class AlsaOutput : public BlockOutput
{
public:
    AlsaOutput(const Alsa &alsa, snd_pcm_t *pcm, int rate, int channels, int blockFrames, MixBlock mix)
        : BlockOutput(rate, channels, blockFrames, mix), m_alsa(alsa), m_pcm(pcm)
    {
    }
    ~AlsaOutput() override
    {
        m_alsa.drop(m_pcm);
        m_alsa.close(m_pcm);
    }

    static std::unique_ptr<AudioOutput> open(int rate, int channels, int blockFrames, MixBlock mix)
    {
        const Alsa *alsa = Alsa::get();
        if (!alsa)
            return nullptr;
        alsa->setErrorHandler(&quietAlsa);
        snd_pcm_t *pcm = nullptr;
        // Opened without waiting: a device that another program holds does not hold the game.
        if (alsa->open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
            return nullptr;
        const unsigned latencyMicros = unsigned(2LL * blockFrames * 1000000 / rate);
        if (alsa->nonblock(pcm, 0) < 0
            || alsa->setParams(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels), unsigned(rate), 1,
                               latencyMicros) < 0) {
            alsa->close(pcm);
            return nullptr;
        }
        return std::make_unique<AlsaOutput>(*alsa, pcm, rate, channels, blockFrames, mix);
    }

    bool run(const std::atomic<bool> &stop) override
    {
        while (!stop) {
            bool mayRest = false;
            const std::int16_t *at = mixBlock(m_frames, &mayRest);
            if (mayRest) {
                // Resting: the card holds nothing but silence by now; it is stopped instead of
                // fed, until the next sound wakes the loop. Written again, the stream starts
                // once its buffer is full, as it did at the start.
                m_alsa.drop(m_pcm);
                rest(stop);
                if (m_alsa.prepare(m_pcm) < 0)
                    return false;
                continue;
            }
            int left = m_frames;
            while (left > 0 && !stop) {
                snd_pcm_sframes_t written = m_alsa.writei(m_pcm, at, snd_pcm_uframes_t(left));
                if (written < 0) {
                    // An underrun or a suspended card is mended; anything else is a card gone.
                    if (m_alsa.recover(m_pcm, int(written), 1) < 0)
                        return false;
                    continue;
                }
                at += written * m_channels;
                left -= int(written);
            }
        }
        return true;
    }

    void wake() override
    {
        {
            const std::lock_guard<std::mutex> lock(m_wakeLock);
            m_woken = true;
        }
        m_wakeUp.notify_one();
    }

private:
    void rest(const std::atomic<bool> &stop)
    {
        std::unique_lock<std::mutex> lock(m_wakeLock);
        while (!m_woken && !stop)
            m_wakeUp.wait_for(lock, std::chrono::microseconds(RestPollMicros));
        m_woken = false;
    }

    const Alsa &m_alsa;
    snd_pcm_t *m_pcm;
    std::mutex m_wakeLock;
    std::condition_variable m_wakeUp;
    bool m_woken = false;
};

} // namespace

std::unique_ptr<AudioOutput> openAudioOutput(const char *name, int rate, int channels, int blockFrames, MixBlock mix,
                                             int seconds, bool again)
{
    if (name && std::strcmp(name, NullOutputName) == 0)
        return std::make_unique<NullOutput>(rate, channels, blockFrames, mix, seconds);
    auto pulse = std::make_unique<PulseOutput>(rate, channels, blockFrames, mix);
    // Looking again for a server that went, the game does not start one itself.
    if (pulse->open(again ? PA_CONTEXT_NOAUTOSPAWN : PA_CONTEXT_NOFLAGS))
        return pulse;

    pulse.reset();
    return AlsaOutput::open(rate, channels, blockFrames, mix);
}

} // namespace lettora::mixer
