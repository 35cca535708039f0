#include "FuzzTargets.h"

#include "parents/ParentSettings.h"
#include "parents/ProgressLog.h"
#include "settings/IntSettings.h"
#include "settings/IntegerText.h"
#include "settings/ListFile.h"
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "shell/core/JpegFrame.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/MidiFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lettora::fuzz {

namespace {

void require(bool rule, const char *what)
{
    if (!rule) {
        std::fprintf(stderr, "broken rule: %s\n", what);
        std::abort();
    }
}

// One program folder for all runs: a Data folder and a small tree for the resolver.
QString folder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        for (const char *sub : {"Data", "Font/Upper", "Image", "both", "Both"})
            QDir(dir.path()).mkpath(QLatin1String(sub));
        for (const char *file : {"Font/Upper/A.bmp", "Image/BtnOption.bmp"}) {
            QFile f(dir.path() + QLatin1Char('/') + QLatin1String(file));
            f.open(QIODevice::WriteOnly);
        }
        ProgramFolder::setRoot(dir.path());
        return true;
    }();
    (void)made;
    static const QString path = dir.path();
    return path;
}

QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace

void listFile(const std::uint8_t *data, std::size_t size)
{
    const ListEntries entries = parseListFile(bytes(data, size));
    for (const QByteArray &entry : entries)
        require(!breaksListFile(entry), "an entry holds a CR, LF or NUL");
    // What is written reads back the same.
    require(parseListFile(formatListFile(entries)) == entries, "a saved list reads back otherwise");
}

void intSetting(const std::uint8_t *data, std::size_t size)
{
    const QString file = folder() + QStringLiteral("/Data/Timer.dat");
    {
        QFile f(file);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "the settings file cannot be written");
        f.write(bytes(data, size));
    }
    const std::int32_t value = ReadIntSetting(QStringLiteral("./Data/Timer.dat"), 10);
    QFile f(file);
    require(f.open(QIODevice::ReadOnly), "the settings file is gone");
    const QByteArray after = f.readAll();
    if (size >= 4) {
        require(value == qFromLittleEndian<qint32>(data), "the first 4 bytes were not read as they are");
        require(after == bytes(data, size), "a readable file was changed");
    } else {
        require(value == 10, "a short file did not give the default");
        require(after == QByteArray::fromHex("0A000000"), "a short file was not replaced by the default");
    }
}

void timerText(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(bytes(data, size));
    try {
        const std::int32_t value = textToInt(text);
        // A plain decimal number gives its own value.
        bool plain = false;
        const qlonglong decimal = text.toLongLong(&plain, 10);
        if (plain && !text.isEmpty() && text.at(0).isDigit())
            require(decimal == value, "a decimal number gave another value");
    } catch (const Error &e) {
        require(e.text() == QStringLiteral("'%1' is not a valid integer value").arg(text), "an unexpected error text");
    }
}

void pathResolver(const std::uint8_t *data, std::size_t size)
{
    const QString root = folder();
    const QString asked = QString::fromUtf8(bytes(data, size));
    const QString resolved = resolveWithoutCase(root, asked);
    QString slashes = asked;
    slashes.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!QDir::isAbsolutePath(slashes) && !slashes.contains(QLatin1String("..")))
        require(resolved == root || resolved.startsWith(root + QLatin1Char('/')), "a relative path left the program folder");
}

} // namespace lettora::fuzz

namespace lettora::fuzz {

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray b(4, '\0');
    qToBigEndian(value, b.data());
    return b;
}

QString writeDataFile(const char *name, const QByteArray &content)
{
    const QString file = folder() + QStringLiteral("/Data/") + QLatin1String(name);
    QFile f(file);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "a data file cannot be written");
    require(f.write(content) == content.size(), "a data file was written short");
    return file;
}

} // namespace

void midiFile(const std::uint8_t *data, std::size_t size)
{
    const QByteArray midi = bytes(data, size);
    const qint64 length = lettora::midiFileLength(midi);
    require(length >= -1, "a length below -1");
    if (!midi.startsWith("MThd"))
        require(length == -1, "a file that is no MIDI file has a length");
    if (midi.size() < 14 || !midi.startsWith("MThd"))
        return;
    const quint32 header = qFromBigEndian<quint32>(midi.constData() + 4);
    if (header < 6 || header > quint32(midi.size() - 8))
        return;
    const qsizetype tracksAt = 8 + qsizetype(header);
    // A longer header, as a later version of the format may have, changes nothing.
    const QByteArray longer = midi.left(4) + bigEndian32(header + 5) + midi.mid(8, header) + "MTrk\x81"
                              + midi.mid(tracksAt);
    require(lettora::midiFileLength(longer) == length, "a longer header changed the length");
    // Nor does a chunk of an unknown kind before the tracks.
    const QByteArray foreign = midi.left(tracksAt) + "XFIR" + bigEndian32(4) + QByteArray::fromHex("00FF5103")
                                + midi.mid(tracksAt);
    require(lettora::midiFileLength(foreign) == length, "an unknown chunk changed the length");
    // Twice the ticks a quarter note (or a frame) gives half the time, give or take the rounding.
    const quint16 division = qFromBigEndian<quint16>(midi.constData() + 12);
    const quint16 ticks = division & 0x7FFF;
    const quint16 doubled = (division & 0x8000) ? quint16((division & 0xFF00) | ((division & 0xFF) * 2))
                                                : quint16(division * 2);
    const bool canDouble = (division & 0x8000) ? (division & 0xFF) > 0 && (division & 0xFF) < 0x80 : ticks > 0 && ticks < 0x4000;
    if (length >= 0 && canDouble) {
        QByteArray finer = midi;
        qToBigEndian(doubled, finer.data() + 12);
        const qint64 half = lettora::midiFileLength(finer);
        require(half >= 0 && std::llabs(2 * half - length) <= 1, "twice the division did not halve the length");
    }
}

// In the fuzzer's build (the address sanitizer's heap) the bytes a decoding allocates are counted,
// the most held at once kept; elsewhere nothing is counted.
extern "C" {
__attribute__((weak)) int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void *, std::size_t),
                                                                    void (*)(const volatile void *));
__attribute__((weak)) std::size_t __sanitizer_get_allocated_size(const volatile void *);
}

namespace {

struct HeapCount
{
    bool on = false;
    qint64 now = 0, most = 0;
};
HeapCount heap;  // the decoding runs on this thread alone

void counted(const volatile void *, std::size_t size)
{
    if (heap.on) {
        heap.now += qint64(size);
        heap.most = std::max(heap.most, heap.now);
    }
}

void released(const volatile void *block)
{
    if (heap.on && block)
        heap.now -= qint64(__sanitizer_get_allocated_size(block));
}

bool countsHeap()
{
    static const bool counts = __sanitizer_install_malloc_and_free_hooks && __sanitizer_get_allocated_size
                               && __sanitizer_install_malloc_and_free_hooks(counted, released) != 0;
    return counts;
}

// What a decoding holds whatever the picture: the reader, the file's buffer, libjpeg's state and
// tables.
constexpr qint64 DecoderState = 1024 * 1024;

} // namespace

void jpegFrame(const std::uint8_t *data, std::size_t size)
{
    // The decoder's warning on every broken picture would drown the report.
    static const bool quiet = (QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*=false")), true);
    (void)quiet;
    const QByteArray jpeg = bytes(data, size);
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    const JpegFrame frame = readJpegFrame(buffer);
    if (frame.found) {
        require(!frame.components.isEmpty() && frame.components.size() <= 255, "a frame without components");
        for (const JpegFrame::Component &c : frame.components)
            require(c.h >= 1 && c.h <= 15 && c.v >= 1 && c.v <= 15, "a sampling factor out of range");
        require(frame.width >= 0 && frame.width <= 0xFFFF && frame.height >= 0 && frame.height <= 0xFFFF,
                "a frame size out of range");
    }
    buffer.seek(0);
    QImageReader reader(&buffer, "jpeg");
    const QSize claimed = reader.size();
    const QSize target(220, 220);
    if (!claimed.isValid())
        return;
    require(jpegDecodeCost(frame, claimed, QSize()) >= 0 && jpegDecodeCost(frame, claimed, target) >= 0,
            "a cost below nothing");
    const QString file = writeDataFile("picture.jpg", jpeg);
    for (const QSize asked : {QSize(), target}) {
        QImage image;
        heap = {countsHeap(), 0, 0};
        try {
            image = loadPictureFile(QFile::encodeName(file), asked);
        } catch (const Error &) {
            heap.on = false;
            continue;
        }
        heap.on = false;
        // The decoder read the frame the estimate was made from.
        if (frame.found)
            require(claimed == QSize(frame.width, frame.height), "the estimate read another frame than the decoder");
        const qint64 cost = jpegDecodeCost(frame, claimed, asked);
        require(image.sizeInBytes() <= cost, "a decoded picture is larger than its estimate");
        if (heap.most > cost + DecoderState)
            std::fprintf(stderr, "%lld bytes held, %lld estimated, %d x %d to %d x %d\n", heap.most, cost,
                         claimed.width(), claimed.height(), asked.width(), asked.height());
        require(heap.most <= cost + DecoderState, "a decoding held more than its estimate");
    }
}

void progressCsv(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = bytes(data, size);
    const std::vector<ProgressRecord> records = progress::parse(text);
    require(records.size() <= size_t(text.count('\n')), "more records than lines");
    for (const ProgressRecord &r : records) {
        require(r.date.isValid() && r.time.isValid() && r.time.msec() == 0, "a record without its time");
        require(std::isfinite(r.seconds) && r.seconds >= 0, "a record's seconds out of range");
        require(!r.word.isEmpty() && r.word.size() <= progress::MaxWordLetters + 1, "a record's word is empty or too long");
    }
    // The file reads as the text does.
    require(progress::read(writeDataFile("Progress.csv", text)) == records, "the file read otherwise than its text");
    // Wherever the text's lines fall in the pieces a file is read in (after a line too long to read).
    const int shift = size > 0 ? data[0] : 0;
    QByteArray shifted(progress::ReadChunk - 1 - shift, 'x');
    shifted += '\n' + text;
    require(progress::parse(shifted) == records, "a line across two pieces read otherwise");
    // What is written reads back the same, but for the seconds' one decimal.
    QByteArray written;
    std::vector<ProgressRecord> fit;
    for (const ProgressRecord &r : records) {
        const QByteArray line = progress::format(r);
        if (line.size() - 1 <= progress::MaxLineSize) {
            written += line;
            fit.push_back(r);
        }
    }
    const std::vector<ProgressRecord> again = progress::parse(written);
    require(again.size() == fit.size(), "a written record was not read back");
    for (size_t i = 0; i < fit.size(); ++i) {
        require(again[i].date == fit[i].date && again[i].time == fit[i].time && again[i].result == fit[i].result
                    && again[i].typed == fit[i].typed,
                "a written record read back otherwise");
        require(std::abs(again[i].seconds - fit[i].seconds) <= 0.05 + 1e-9 * fit[i].seconds, "the seconds changed");
        if (fit[i].word.size() <= progress::MaxWordLetters)
            require(again[i].word == fit[i].word, "a word changed");
    }
    QByteArray rewritten;
    for (const ProgressRecord &r : again)
        rewritten += progress::format(r);
    require(rewritten == written || progress::parse(rewritten) == again, "a second save read back otherwise");
}

void parentSettings(const std::uint8_t *data, std::size_t size)
{
    const QString file = writeDataFile("Lettora.ini", bytes(data, size));
    const ParentSettings s = ParentSettingsStore::parse(file);
    require(s.speed >= 50 && s.speed <= 200, "the voice's speed out of range");
    for (int volume : {s.voiceVolume, s.effectsVolume, s.musicVolume})
        require(volume >= 0 && volume <= 100, "a volume out of range");
    require(s.language.size() <= 35 && std::all_of(s.language.begin(), s.language.end(), [](QChar c) {
                return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                       || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_');
            }),
            "a language that is no language code");
    // The game reads the file as this does.
    ParentSettingsStore::instance().load();
    require(ParentSettingsStore::instance().current() == s, "the game read the file otherwise");
    // What is saved reads back the same, byte for byte.
    const QByteArray saved = ParentSettingsStore::format(s);
    writeDataFile("Lettora.ini", saved);
    require(ParentSettingsStore::parse(file) == s, "saved settings read back otherwise");
    require(ParentSettingsStore::format(ParentSettingsStore::parse(file)) == saved, "a second save differs");
}

} // namespace lettora::fuzz
