#include "Fixtures.h"

#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListView>
#include <QTest>

namespace lettora::test {

namespace {
// The tests' application object comes with the limit the program's comes with.
void asTheProgramStarts()
{
    limitPictureDecoding();
}
} // namespace
Q_COREAPP_STARTUP_FUNCTION(asTheProgramStarts)

ProgramFolderCopy::ProgramFolderCopy()
{
    const QString source = QStringLiteral(LETTORA_PROGRAM_DIR);
    for (const char *sub : {"Image", "Font", "Sound", "Music"}) {
        QDirIterator it(source + QLatin1Char('/') + QLatin1String(sub), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            // The 2x and 3x copies serve sharper screens only; a test that needs them copies them.
            if (isArtVariantName(it.fileName()))
                continue;
            const QString to = m_dir.path() + from.mid(source.size());
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
        }
    }
    QDir(m_dir.path()).mkpath(QStringLiteral("Data"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Picture"));
    for (const char *list : {"ImageFile.txt", "Image.txt", "MusicFile.txt", "Music.txt"})
        write(QStringLiteral("Data/") + QLatin1String(list), QByteArray());
    ProgramFolder::setRoot(m_dir.path());
}

ProgramFolderCopy::~ProgramFolderCopy()
{
    QDir::setCurrent(QDir::tempPath());
}

QByteArray ProgramFolderCopy::bytes(const QString &relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void ProgramFolderCopy::write(const QString &relative, const QByteArray &bytes) const
{
    QFile f(file(relative));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void ProgramFolderCopy::remove(const QString &relative) const
{
    QFile::remove(file(relative));
}

std::shared_ptr<FakeDisplay::Log> installFakeDisplay()
{
    auto log = std::make_shared<FakeDisplay::Log>();
    setDisplayBackend(std::make_unique<FakeDisplay>(log));
    return log;
}

namespace {
struct Recorder : EffectPlayer
{
    explicit Recorder(std::shared_ptr<EffectLog> log) : log(std::move(log)) {}
    void play(const QString &file) override
    {
        const QString root = ProgramFolder::root() + QLatin1Char('/');
        log->played << (file.startsWith(root) ? QStringLiteral("./") + file.mid(root.size()) : file);
    }
    std::shared_ptr<EffectLog> log;
};
} // namespace

std::shared_ptr<EffectLog> installEffectRecorder()
{
    auto log = std::make_shared<EffectLog>();
    setEffectPlayer(std::make_unique<Recorder>(log));
    return log;
}

std::shared_ptr<QStringList> installMessageRecorder()
{
    auto log = std::make_shared<QStringList>();
    setMessageHook([log](const QString &caption, const QString &text) { *log << caption + QLatin1Char('|') + text; });
    return log;
}

FolderWithFiles::FolderWithFiles(const QMap<QString, QByteArray> &files, const QStringList &remove)
{
    for (auto it = files.begin(); it != files.end(); ++it)
        folder.write(it.key(), it.value());
    for (const QString &f : remove)
        folder.remove(f);
}

} // namespace lettora::test
