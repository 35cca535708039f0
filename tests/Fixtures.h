#pragma once

#include "settings/FilePicker.h"
#include "shell/DisplaySize.h"
#include "shell/ScreenScale.h"
#include "sound/MediaPlayer.h"
#include "sound/Effects.h"

#include <QSize>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace lettora::test {

// A program folder of the test's own: the built artwork copied into a temporary folder, with an
// empty Data folder holding the four empty list files.
class ProgramFolderCopy
{
public:
    ProgramFolderCopy();
    ~ProgramFolderCopy();
    QString root() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QByteArray bytes(const QString &relative) const;
    void write(const QString &relative, const QByteArray &bytes) const;
    void remove(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};

// Records every request instead of switching a display.
struct FakeDisplay : DisplayBackend
{
    struct Log
    {
        QSize screen{1280, 800};
        std::vector<QSize> requests;
        bool switches = true;  // whether a request changes the screen
    };
    explicit FakeDisplay(std::shared_ptr<Log> log) : log(std::move(log)) {}
    QSize screenSize() override { return log->screen; }
    bool requestSize(QSize size) override
    {
        log->requests.push_back(size);
        if (log->switches)
            log->screen = size;
        return log->switches;
    }
    std::shared_ptr<Log> log;
};
std::shared_ptr<FakeDisplay::Log> installFakeDisplay();

// Records the effects that were played, as paths relative to the program folder.
struct EffectLog
{
    QStringList played;
};
std::shared_ptr<EffectLog> installEffectRecorder();

// Records the message boxes instead of showing them: "caption|text".
std::shared_ptr<QStringList> installMessageRecorder();

// A player that does what it is told and writes it down; the test says where a track stands.
struct ScriptedPlayer : MediaPlayer
{
    QStringList log;
    QStringList unplayable;
    qint64 position = 0;
    qint64 length = 60000;
    QString openDevice(const QString &file) override
    {
        log << QStringLiteral("open ") + file;
        if (unplayable.contains(file))
            return QStringLiteral("The file cannot be played");
        position = 0;
        return {};
    }
    void closeDevice() override {}
    void playDevice() override { log << QStringLiteral("play"); }
    void seekToStart() override { position = 0; }
    void stopDevice() override { log << QStringLiteral("stop"); }
    qint64 deviceLength() override { return length; }
    qint64 devicePosition() override { return position; }
    void finish() { position = length; }
};

// The screen as the test says it is (as Qt sees it, which a display switch changes only later);
// the factors set on it.
struct FakeScaler : ScreenScaler
{
    QSize screen;
    qreal current = 1.0;
    QList<qreal> set;
    QSize screenSize() override { return screen; }
    qreal factor() override { return current; }
    void setFactor(qreal factor) override { set << (current = factor); }
};

struct FakePicker : FilePicker
{
    QStringList answer;
    QStringList startFolders;
    QStringList chooseFiles(QWidget *, const QString &, const QString &startFolder) override
    {
        startFolders << startFolder;
        return answer;
    }
};

// A program folder of the test's own, with these files written and those removed.
struct FolderWithFiles
{
    FolderWithFiles(const QMap<QString, QByteArray> &files, const QStringList &remove);
    ProgramFolderCopy folder;
};

} // namespace lettora::test
