#pragma once

#include "shell/DisplaySize.h"
#include "sound/Effects.h"

#include <QSize>
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

} // namespace lettora::test
