#include "Sounds.h"

#include "TuneRender.h"

#include "settings/ListFile.h"
#include "shell/core/AssetPaths.h"
#include "sound/MediaPlayer.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace art {

namespace {

constexpr int Rate = 22050;
constexpr double Tau = 2 * std::numbers::pi;

using Samples = std::vector<double>;

void writeFile(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "lettora-artwork: cannot write %s\n", qPrintable(file));
        std::exit(1);
    }
}

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "lettora-artwork: %s\n", qPrintable(what));
    std::exit(1);
}

void put16(QByteArray &b, int v)
{
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// Normalises to a peak of -3 dBFS, fades the edges against clicks and writes 16-bit PCM.
void writeWav(const QString &file, Samples s)
{
    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    const double gain = peak > 0 ? 0.7 / peak : 0;
    const int fade = Rate / 500;
    for (size_t i = 0; i < s.size(); ++i) {
        double edge = 1;
        if (i < size_t(fade))
            edge = double(i) / fade;
        if (s.size() - i <= size_t(fade))
            edge = double(s.size() - i - 1) / fade;
        s[i] *= gain * edge;
    }
    QByteArray b("RIFF");
    put32(b, 36 + 2 * s.size());
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1);         // PCM
    put16(b, 1);         // mono
    put32(b, Rate);
    put32(b, Rate * 2);  // bytes per second
    put16(b, 2);         // block align
    put16(b, 16);        // bits per sample
    b.append("data");
    put32(b, 2 * s.size());
    for (double v : s)
        put16(b, int(std::lround(std::clamp(v, -1.0, 1.0) * 32767)));
    writeFile(file, b);
}

Samples silence(double seconds)
{
    return Samples(size_t(seconds * Rate), 0.0);
}

// A short wooden "tock" whose pitch drops, for every letter.
Samples click()
{
    Samples s = silence(0.045);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / Rate;
        phase += Tau * (1900 - 9000 * t) / Rate;
        s[i] = (std::sin(phase) + 0.35 * std::sin(2.01 * phase)) * std::exp(-t / 0.009) * std::min(1.0, t / 0.0008);
    }
    return s;
}

// Two bright notes going up, for the commands.
Samples buttonBlip()
{
    Samples s;
    for (auto [freq, len] : {std::pair{659.3, 0.06}, std::pair{987.8, 0.09}}) {
        const size_t n = size_t(len * Rate);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / Rate;
            const double env = std::min(1.0, t / 0.004) * std::exp(-t / (len * 0.6));
            s.push_back(env * (std::sin(Tau * freq * t) + 0.25 * std::sin(Tau * 2 * freq * t)
                               + 0.12 * std::sin(Tau * 3 * freq * t)));
        }
    }
    return s;
}

// Noise through a band-pass filter that sweeps up: a whoosh, for wiping the row clean.
Samples whoosh()
{
    Samples s = silence(0.42);
    std::uint32_t seed = 12345;
    double low = 0, band = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / s.size();
        seed = seed * 1664525u + 1013904223u;
        const double noise = double(seed >> 8) / double(1u << 24) * 2 - 1;
        const double centre = 350 * std::pow(12.0, t);
        const double f = 2 * std::sin(std::numbers::pi * centre / Rate);
        const double q = 0.35;
        low += f * band;
        const double high = noise - low - q * band;
        band += f * high;
        s[i] = band * std::pow(std::sin(std::numbers::pi * t), 1.6);
    }
    return s;
}

// "Uh-oh": a short high vowel, then a longer falling low one.
Samples uhOh()
{
    Samples s;
    auto vowel = [&](double freq, double glide, double len) {
        const size_t n = size_t(len * Rate);
        double phase = 0;
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / Rate;
            const double f = freq * (1 + glide * t / len) * (1 + 0.012 * std::sin(Tau * 5.5 * t));
            phase += Tau * f / Rate;
            // Harmonics weighted like an "oh" vowel (formants near 450 and 800 Hz).
            double v = 0;
            for (int h = 1; h <= 8; ++h) {
                const double hf = h * f;
                const double w = std::exp(-std::pow((hf - 450) / 260, 2)) + 0.6 * std::exp(-std::pow((hf - 800) / 300, 2))
                    + 0.15 / h;
                v += w * std::sin(h * phase);
            }
            const double env = std::min(1.0, t / 0.015) * std::min(1.0, (len - t) / 0.06);
            s.push_back(v * env);
        }
    };
    vowel(523.3, 0.02, 0.17);
    const Samples gap = silence(0.06);
    s.insert(s.end(), gap.begin(), gap.end());
    vowel(392.0, -0.12, 0.34);
    return s;
}

// ---- MIDI ---------------------------------------------------------------------------------------

constexpr int Ppq = 480;
constexpr int Eighth = Ppq / 2;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

struct Event
{
    int tick;
    int order;  // note-offs before note-ons at the same tick
    QByteArray bytes;
};

struct Track
{
    std::vector<Event> events;
    void note(int channel, int tick, int length, int key, int velocity)
    {
        events.push_back({tick, 1, bytes({char(0x90 | channel), char(key), char(velocity)})});
        events.push_back({tick + length, 0, bytes({char(0x80 | channel), char(key), char(0)})});
    }
    void program(int channel, int number)
    {
        events.push_back({0, 0, bytes({char(0xC0 | channel), char(number)})});
    }
    void meta(int tick, int type, const QByteArray &data)
    {
        QByteArray b = bytes({0xFF, type, int(data.size())});
        events.push_back({tick, 0, b + data});
    }
};

void putVarLen(QByteArray &b, std::uint32_t v)
{
    QByteArray tmp;
    tmp.prepend(char(v & 0x7F));
    while ((v >>= 7))
        tmp.prepend(char(0x80 | (v & 0x7F)));
    b += tmp;
}

void putBE32(QByteArray &b, std::uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray chunk(Track track)
{
    std::stable_sort(track.events.begin(), track.events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    QByteArray data;
    int last = 0;
    for (const Event &e : track.events) {
        putVarLen(data, std::uint32_t(e.tick - last));
        data += e.bytes;
        last = e.tick;
    }
    data += QByteArray::fromHex("00FF2F00");  // end of track
    QByteArray b("MTrk");
    putBE32(b, std::uint32_t(data.size()));
    return b + data;
}

// A standard MIDI file of format 1: the tracks play together.
QByteArray midiFile(const std::vector<Track> &tracks)
{
    QByteArray midi("MThd");
    putBE32(midi, 6);
    midi += QByteArray::fromHex("0001");
    midi += bytes({0, int(tracks.size())});
    midi += bytes({Ppq >> 8, Ppq & 0xFF});
    for (const Track &t : tracks)
        midi += chunk(t);
    return midi;
}

// ---- Background tunes --------------------------------------------------------------------------

// A small composer: an 8-bar phrase A, its answer B, in the form A A B A and a closing chord.
// The melody walks the major scale, landing on a chord tone at the start of each bar; repeated
// phrases repeat note for note, which is what makes a tune singable.
struct Style
{
    const char *title;
    int bpm;
    int beats;          // per bar
    int key;            // MIDI note of the tonic
    int melody, bass, chords;  // General MIDI programs
    int phraseA[8];     // chord roots as scale degrees (0 = I, 3 = IV, 4 = V, 5 = vi, 1 = ii)
    int phraseB[8];
    enum Beat { Rock, March, Waltz } beat;
    int rounds;         // how many times the whole form plays
};

const int Major[7] = {0, 2, 4, 5, 7, 9, 11};

int pitchOf(const Style &s, int step)
{
    const int octave = step >= 0 ? step / 7 : (step - 6) / 7;
    return s.key + 12 * octave + Major[step - 7 * octave];
}

// Rhythms of one bar in eighths; the last bar of a phrase rests on a long note.
const std::vector<std::vector<int>> &rhythms(int beats)
{
    static const std::vector<std::vector<int>> four = {{2, 2, 2, 2}, {2, 1, 1, 2, 2}, {3, 1, 2, 2}, {1, 1, 2, 2, 2}, {2, 2, 1, 1, 2}};
    static const std::vector<std::vector<int>> three = {{2, 2, 2}, {3, 1, 2}, {2, 1, 1, 2}, {4, 2}};
    return beats == 4 ? four : three;
}

void composePhrase(const Style &s, const int *chords, std::uint32_t seed, int startBar, Track &tune, Track &bass,
                   Track &pad, Track &drums, int &step)
{
    auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % std::uint32_t(n));
    };
    const int barTicks = s.beats * Ppq;
    for (int bar = 0; bar < 8; ++bar) {
        const int at = (startBar + bar) * barTicks;
        const int root = chords[bar];
        const int next = chords[(bar + 1) % 8];
        // Land on the chord tone nearest to where the melody stands.
        int best = step;
        int distance = 99;
        for (int candidate = step - 3; candidate <= step + 3; ++candidate) {
            const int degree = ((candidate % 7) + 7) % 7;
            const bool chordTone = degree == root || degree == (root + 2) % 7 || degree == (root + 4) % 7;
            if (chordTone && std::abs(candidate - step) < distance) {
                best = candidate;
                distance = std::abs(candidate - step);
            }
        }
        step = std::clamp(best, 5, 13);  // keep the tune in a child's singing range
        const bool last = bar == 7;
        const auto &pattern = last ? std::vector<int>{s.beats * 2} : rhythms(s.beats)[random(int(rhythms(s.beats).size()))];
        int t = at;
        for (size_t n = 0; n < pattern.size(); ++n) {
            const int length = pattern[n] * Ppq / 2;
            tune.note(0, t, length - 30, pitchOf(s, step), n == 0 ? 100 : 86);
            t += length;
            if (n + 1 < pattern.size()) {
                // Walk towards the next bar's chord, with an occasional leap back.
                const int target = next + 7 + 2 * random(3);  // the next root, third or fifth
                const int dir = step < target ? 1 : step > target ? -1 : (random(2) ? 1 : -1);
                const int move = random(4) == 0 ? 2 * dir : random(6) == 0 ? -dir : dir;
                step = std::clamp(step + move, 4, 14);
            }
        }
        // Bass and harmony.
        const int bassRoot = pitchOf(s, root) - 24;
        const int fifth = pitchOf(s, root + 4) - 24;
        const int chord[3] = {pitchOf(s, root) - 12, pitchOf(s, root + 2) - 12, pitchOf(s, root + 4) - 12};
        switch (s.beat) {
        case Style::Rock:
            bass.note(1, at, Ppq - 40, bassRoot, 96);
            bass.note(1, at + Ppq + Ppq / 2, Ppq / 2 - 20, bassRoot, 80);
            bass.note(1, at + 2 * Ppq, Ppq - 40, fifth, 90);
            bass.note(1, at + 3 * Ppq, Ppq - 40, bassRoot + 12, 84);
            for (int b = 0; b < 4; ++b) {
                for (int key : chord)
                    pad.note(2, at + b * Ppq + Ppq / 2, Ppq / 2 - 40, key, 50);
                drums.note(9, at + b * Ppq, Ppq / 4, b % 2 ? 38 : 36, b % 2 ? 80 : 96);  // kick, snare
                drums.note(9, at + b * Ppq, Ppq / 4, 42, 50);                            // hi-hat
                drums.note(9, at + b * Ppq + Ppq / 2, Ppq / 4, 42, 38);
            }
            break;
        case Style::March:
            bass.note(1, at, Ppq - 40, bassRoot, 100);
            bass.note(1, at + 2 * Ppq, Ppq - 40, fifth, 92);
            for (int b = 0; b < 4; ++b) {
                for (int key : chord)
                    pad.note(2, at + b * Ppq + Ppq / 2, Ppq / 3, key, 56);
                drums.note(9, at + b * Ppq, Ppq / 4, b % 2 ? 38 : 36, b % 2 ? 70 : 90);
                if (b == 3) {
                    drums.note(9, at + b * Ppq + Ppq / 2, Ppq / 8, 38, 55);  // a little roll into the bar
                    drums.note(9, at + b * Ppq + 3 * Ppq / 4, Ppq / 8, 38, 62);
                }
            }
            if (bar == 0)
                drums.note(9, at, Ppq * 2, 49, 70);  // cymbal at each phrase
            break;
        case Style::Waltz:
            bass.note(1, at, Ppq - 40, bassRoot, 92);
            for (int b = 1; b < 3; ++b)
                for (int key : chord)
                    pad.note(2, at + b * Ppq, Ppq / 2, key, 48);
            if (bar % 2 == 0)
                drums.note(9, at, Ppq, 81, 44);  // a soft triangle
            break;
        }
    }
}

QByteArray backgroundTune(const Style &s, std::uint32_t seed)
{
    Track conductor, tune, bass, pad, drums;
    conductor.meta(0, 0x03, s.title);
    const int usPerBeat = 60000000 / s.bpm;
    conductor.meta(0, 0x51, bytes({(usPerBeat >> 16) & 0xFF, (usPerBeat >> 8) & 0xFF, usPerBeat & 0xFF}));
    conductor.meta(0, 0x58, bytes({s.beats, 2, 24, 8}));
    tune.program(0, s.melody);
    bass.program(1, s.bass);
    pad.program(2, s.chords);
    int bar = 0;
    int step = 7;
    for (int round = 0; round < s.rounds; ++round) {
        for (const int *phrase : {s.phraseA, s.phraseA, s.phraseB, s.phraseA}) {
            int start = step;
            composePhrase(s, phrase, seed + (phrase == s.phraseA ? 0 : 7919), bar, tune, bass, pad, drums, start);
            bar += 8;
        }
    }
    const int end = bar * s.beats * Ppq;
    for (int key : {s.key - 12, s.key - 5, s.key, s.key + 4, s.key + 7})
        pad.note(2, end, s.beats * Ppq, key, 70);
    tune.note(0, end, s.beats * Ppq, s.key + 12, 96);
    bass.note(1, end, s.beats * Ppq, s.key - 24, 96);
    if (s.beat != Style::Waltz)
        drums.note(9, end, Ppq * 2, 49, 80);
    return midiFile({conductor, tune, bass, pad, drums});
}

} // namespace

void writeBackgroundTunes(const QString &dir)
{
    struct Tune
    {
        const char *file;
        Style style;
    };
    // The same order as backgroundTuneNames().
    const Tune tunes[] = {
        {"sunny-steps.mid", {"Sunny steps", 126, 4, 60, 0, 33, 4, {0, 0, 3, 4, 0, 5, 3, 4}, {3, 3, 0, 0, 1, 4, 0, 4}, Style::Rock, 1}},
        {"little-parade.mid", {"Little parade", 116, 4, 65, 9, 58, 56, {0, 4, 0, 3, 0, 4, 4, 0}, {3, 0, 4, 0, 3, 0, 4, 0}, Style::March, 1}},
        {"bubble-waltz.mid", {"Bubble waltz", 152, 3, 67, 10, 45, 46, {0, 0, 4, 4, 4, 4, 0, 0}, {3, 3, 0, 0, 1, 4, 0, 4}, Style::Waltz, 2}},
    };
    std::uint32_t seed = 20261207;
    for (const Tune &t : tunes) {
        // The MIDI file stays for the lists that name it; the game's lists name the recording,
        // which plays without a synthesiser.
        const QString midi = dir + QStringLiteral("/Music/") + QLatin1String(t.file);
        writeFile(midi, backgroundTune(t.style, seed += 101));
        if (!recordMidi(midi, QLatin1String(lettora::SystemSoundFont)))
            fail(QStringLiteral("cannot record %1").arg(midi));
    }
}

QStringList backgroundTuneNames()
{
    return {QStringLiteral("sunny-steps.ogg"), QStringLiteral("little-parade.ogg"), QStringLiteral("bubble-waltz.ogg")};
}

void writeSounds(const QString &dir)
{
    using namespace lettora::paths;
    writeWav(dir + QLatin1Char('/') + QLatin1String(ClickSound), click());
    writeWav(dir + QLatin1Char('/') + QLatin1String(ButtonSound), buttonBlip());
    writeWav(dir + QLatin1Char('/') + QLatin1String(ClearSound), whoosh());
    writeWav(dir + QLatin1Char('/') + QLatin1String(LostLifeSound), uhOh());
}

// A cheerful cha-cha in C major: marimba tune, bass, piano off-beats and Latin percussion, an
// 8-bar phrase played twice (the second time on vibraphone) and a closing chord, about 34 s.
void writeWelcomeTune(const QString &file)
{
    enum { C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71, C5 = 72, D5 = 74, E5 = 76, F5 = 77,
           G5 = 79, A5 = 81 };
    struct Bar { int chord; int tune[5]; };  // chord root; tune on beats 1, 2, 3 and "cha-cha" on 4, 4-and
    const Bar phrase[8] = {
        {C4, {E5, G5, E5, D5, D5}}, {G4, {D5, F5, D5, B4, B4}}, {G4, {B4, D5, F5, E5, D5}},
        {C4, {C5, E5, G5, G5, G5}}, {F4, {A5, F5, C5, A4, C5}}, {C4, {G5, E5, C5, E5, G5}},
        {G4, {F5, D5, B4, D5, F5}}, {C4, {E5, C5, G4, C5, C5}},
    };
    const int starts[5] = {0, 2, 4, 6, 7};
    const int lengths[5] = {2, 2, 2, 1, 1};

    Track conductor, tune, bass, piano, drums;
    conductor.meta(0, 0x03, "Cha-cha welcome");
    conductor.meta(0, 0x51, QByteArray::fromHex("07A120"));  // 500000 us per quarter: 120 bpm
    conductor.meta(0, 0x58, QByteArray::fromHex("04021808"));  // 4/4
    tune.program(0, 12);   // marimba
    bass.program(1, 32);   // acoustic bass
    piano.program(2, 0);   // piano

    const int barTicks = 8 * Eighth;
    int bar = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            tune.events.push_back({bar * barTicks, 0, bytes({char(0xC0), char(11)})});  // vibraphone
        for (const Bar &b : phrase) {
            const int at = bar * barTicks;
            for (int i = 0; i < 5; ++i)
                tune.note(0, at + starts[i] * Eighth, lengths[i] * Eighth - 20, b.tune[i], i >= 3 ? 100 : 92);
            const bool seventh = b.chord == G4;
            const int root = b.chord - 24;
            bass.note(1, at, 2 * Eighth - 30, root, 96);
            bass.note(1, at + 4 * Eighth, 2 * Eighth - 30, root + 7, 88);
            bass.note(1, at + 6 * Eighth, Eighth - 20, root + 7, 84);
            bass.note(1, at + 7 * Eighth, Eighth - 20, root, 88);
            for (int off : {1, 3, 5}) {
                for (int interval : {0, 4, 7, seventh ? 10 : 12})
                    piano.note(2, at + off * Eighth, Eighth - 60, b.chord + interval, 52);
            }
            for (int q = 0; q < 4; ++q)
                drums.note(9, at + q * 2 * Eighth, Eighth, 56, q == 0 ? 70 : 52);  // cowbell
            for (int e : {0, 3, 6})
                drums.note(9, at + e * Eighth, Eighth / 2, 75, 80);  // claves
            drums.note(9, at, 2 * Eighth, 74, 45);                  // long guiro
            drums.note(9, at + 4 * Eighth, Eighth, 73, 50);         // short guiro
            drums.note(9, at + 6 * Eighth, Eighth, 63, 72);         // high conga
            drums.note(9, at + 7 * Eighth, Eighth, 64, 76);         // low conga
            ++bar;
        }
    }
    // The closing chord.
    const int end = bar * barTicks;
    for (int key : {C4, E4, G4, C5})
        piano.note(2, end, 4 * Eighth, key, 70);
    tune.note(0, end, 4 * Eighth, C5 + 12, 96);
    bass.note(1, end, 4 * Eighth, C4 - 24, 96);
    drums.note(9, end, Eighth, 75, 90);
    drums.note(9, end, 4 * Eighth, 49, 60);  // crash cymbal

    (void)D4;
    writeFile(file, midiFile({conductor, tune, bass, piano, drums}));
    // Its recording plays in its place while the file is unchanged: no synthesiser at the start.
    // Changed, it plays with the system's soundfont, whatever instruments it then uses.
    QFile::remove(lettora::ownSoundFont(file));  // left by an earlier build
    if (!recordMidi(file, QLatin1String(lettora::SystemSoundFont)))
        fail(QStringLiteral("cannot record %1").arg(file));
}

} // namespace art
