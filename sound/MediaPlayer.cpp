#include "sound/MediaPlayer.h"

#include "shell/core/Error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace lettora {

namespace {
constexpr const char *NoDeviceOpen = "No MCI device open";
} // namespace

namespace {
// The file of the same name beside `file`, with another extension.
QString beside(const QString &file, const char *extension)
{
    const QFileInfo info(file);
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + QLatin1String(extension));
}
} // namespace

QString ownSoundFont(const QString &midiFile)
{
    return beside(midiFile, "sf2");
}

QString midiRecording(const QString &midiFile)
{
    return beside(midiFile, "ogg");
}

QByteArray midiRecordingComment(const QByteArray &midi)
{
    return QByteArrayLiteral("LETTORA_MIDI_SHA256=") + QCryptographicHash::hash(midi, QCryptographicHash::Sha256).toHex();
}

QString soundFontFor(const QString &midiFile)
{
    const QString own = ownSoundFont(midiFile);
    // Only a regular file counts: a FIFO of that name would hold the synthesiser for ever.
    if (const QFileInfo info(own); info.isFile() && info.size() <= LargestSoundFont)
        return own;
    return QLatin1String(SystemSoundFont);
}

QString userCacheFolder()
{
    // A relative path counts as none; so does the root, where nothing of the user's belongs.
    auto usable = [](const QString &path) { return QDir::isAbsolutePath(path) && !QDir(path).isRoot(); };
    const QString cache = QDir::cleanPath(qEnvironmentVariable("XDG_CACHE_HOME"));
    if (usable(cache))
        return cache;
    const QString home = QDir::cleanPath(qEnvironmentVariable("HOME"));
    return usable(home) ? home + QStringLiteral("/.cache") : QString();
}

QString gstRegistryFile(const QString &cacheFolder)
{
    if (cacheFolder.isEmpty())
        return {};
    const QString registry = cacheFolder + QLatin1Char('/') + QLatin1String("gstreamer-1.0/registry." LETTORA_GST_CPU ".bin");
    const QFileInfo info(registry);
    if (info.exists() && !info.isFile())
        return {};
    return registry;
}

void MediaPlayer::requireOpen() const
{
    if (!m_open)
        throw Error(QString::fromLatin1(NoDeviceOpen));
}

void MediaPlayer::openFailed(const QString &reason)
{
    closeDevice();
    m_open = false;
    throw Error(QString::fromLatin1(messages::CannotOpenFile).arg(quotedName(FileName), reason));
}

void MediaPlayer::checkFailure()
{
    if (const QString reason = deviceFailure(); !reason.isEmpty())
        openFailed(reason);
}

void MediaPlayer::Open()
{
    Close();
    if (const QString reason = openDevice(FileName); !reason.isEmpty())
        openFailed(reason);
    m_open = true;
}

void MediaPlayer::Close()
{
    if (!m_open)
        return;
    closeDevice();
    m_open = false;
}

void MediaPlayer::Play()
{
    requireOpen();
    checkFailure();
    if (devicePosition() == deviceLength())
        seekToStart();
    playDevice();
}

void MediaPlayer::Stop()
{
    requireOpen();
    stopDevice();
}

qint64 MediaPlayer::Length()
{
    requireOpen();
    checkFailure();
    return deviceLength();
}

qint64 MediaPlayer::Position()
{
    if (!m_open)
        return 0;
    checkFailure();
    return devicePosition();
}

} // namespace lettora
