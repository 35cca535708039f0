#include "parents/ParentSettings.h"

#include "shell/core/AssetPaths.h"
#include "shell/core/AtomicFile.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"
#include "speech/Voice.h"

#include <QFile>
#include <QSettings>

#include <algorithm>

namespace lettora {

namespace {
constexpr int MinSpeed = 50;
constexpr int MaxSpeed = 200;
// Far more than the file ever holds: a bigger one is not ours and is not read.
constexpr qint64 MaxFileSize = 64 * 1024;

bool readBool(const QSettings &ini, const char *key, bool fallback)
{
    const QString text = ini.value(QLatin1String(key)).toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

int readInt(const QSettings &ini, const char *key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

// A language code is letters, digits, '-' and '_' only: anything else is a broken value.
bool isLanguageCode(const QString &code)
{
    return code.size() <= 35 && std::all_of(code.begin(), code.end(), [](QChar c) {
               return (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('-') || c == QLatin1Char('_');
           });
}
} // namespace

ParentSettingsStore &ParentSettingsStore::instance()
{
    static ParentSettingsStore store;
    return store;
}

QByteArray ParentSettingsStore::format(const ParentSettings &s)
{
    auto flag = [](bool on) { return on ? QByteArrayLiteral("true") : QByteArrayLiteral("false"); };
    QByteArray text;
    text += "[Voice]\n";
    text += "SpeakWords=" + flag(s.speakWords) + "\n";
    text += "SpeakLetters=" + flag(s.speakLetters) + "\n";
    text += "Praise=" + flag(s.praise) + "\n";
    text += "Language=" + (isLanguageCode(s.language) ? s.language.toLatin1() : QByteArray()) + "\n";
    text += "Speed=" + QByteArray::number(std::clamp(s.speed, MinSpeed, MaxSpeed)) + "\n";
    text += "\n[Volume]\n";
    text += "Voice=" + QByteArray::number(std::clamp(s.voiceVolume, 0, 100)) + "\n";
    text += "Effects=" + QByteArray::number(std::clamp(s.effectsVolume, 0, 100)) + "\n";
    text += "Music=" + QByteArray::number(std::clamp(s.musicVolume, 0, 100)) + "\n";
    text += "\n[Screen]\n";
    text += "ShowCountdown=" + flag(s.showCountdown) + "\n";
    text += "ChangeScreen=" + flag(s.changeScreen) + "\n";
    text += "KeepInGame=" + flag(s.keepInGame) + "\n";
    return text;
}

ParentSettings ParentSettingsStore::parse(const QString &iniFile)
{
    ParentSettings s;
    // A broken line does not cost the good ones. Nor is status() asked: Qt reports a broken line
    // on the first read of a file alone, not on a later one from its cache.
    const QSettings ini(iniFile, QSettings::IniFormat);
    s.speakWords = readBool(ini, "Voice/SpeakWords", s.speakWords);
    s.speakLetters = readBool(ini, "Voice/SpeakLetters", s.speakLetters);
    s.praise = readBool(ini, "Voice/Praise", s.praise);
    const QString language = ini.value(QStringLiteral("Voice/Language")).toString().trimmed();
    if (isLanguageCode(language))
        s.language = language;
    s.speed = readInt(ini, "Voice/Speed", s.speed, MinSpeed, MaxSpeed);
    s.voiceVolume = readInt(ini, "Volume/Voice", s.voiceVolume, 0, 100);
    s.effectsVolume = readInt(ini, "Volume/Effects", s.effectsVolume, 0, 100);
    s.musicVolume = readInt(ini, "Volume/Music", s.musicVolume, 0, 100);
    s.showCountdown = readBool(ini, "Screen/ShowCountdown", s.showCountdown);
    s.changeScreen = readBool(ini, "Screen/ChangeScreen", s.changeScreen);
    s.keepInGame = readBool(ini, "Screen/KeepInGame", s.keepInGame);
    return s;
}

void ParentSettingsStore::load()
{
    const QString file = ProgramFolder::resolve(QLatin1String(paths::ParentSettingsFile));
    ParentSettings loaded;
    // Only a regular file is read: a FIFO in its place would hold the start.
    QString reason;
    QFile probe;
    if (openRegularFile(probe, QFile::encodeName(file), reason)) {
        const bool small = probe.size() <= MaxFileSize;
        probe.close();
        if (small)
            loaded = parse(file);
    }
    apply(loaded);
}

void ParentSettingsStore::apply(const ParentSettings &settings)
{
    const bool differs = !(settings == m_current);
    m_current = settings;
    Voice::setSettings({settings.speakWords, settings.speakLetters, settings.praise, settings.language,
                        settings.speed, settings.voiceVolume, settings.effectsVolume, settings.musicVolume});
    if (differs)
        Q_EMIT changed();
}

bool ParentSettingsStore::save(const ParentSettings &settings)
{
    apply(settings);

    // Never put in place of a FIFO or a folder; a short write on a full disk leaves the old file.
    SaveFailure failure;
    return saveWholeFile(ProgramFolder::resolve(QLatin1String(paths::ParentSettingsFile)), format(settings), failure);
}

} // namespace lettora
