// The Qt Core layer's tools: the whole-file save and the dlsym tables.
#include "shell/core/AtomicFile.h"
#include "shell/core/SymbolTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <dlfcn.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lettora;

Q_DECLARE_METATYPE(AtomicFile::Step)

namespace {
const QByteArray OldBytes("old bytes\r\n");

// Bigger than the limit the "full disk" rows set and than any write buffer.
QByteArray newBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 4000; ++i)
        bytes += "line " + QByteArray::number(i) + "\r\n";
    return bytes;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// What a folder holds besides `.` and `..`: a left-over temporary shows up here.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The file system refuses every byte past the first few of a file, as a full disk would, until
// this goes.
struct FullDisk
{
    FullDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64;
        on = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
    bool on = false;
};
} // namespace

class TestCore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savesWhole_data();
    void savesWhole();
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void groupWrittenBeforeReplaced_data();
    void groupWrittenBeforeReplaced();
    void resolvesAllOrNone_data();
    void resolvesAllOrNone();
};

void TestCore::savesWhole_data()
{
    QTest::addColumn<bool>("existing");  // an old file stands at the path
    QTest::addColumn<int>("mode");       // the old file's permissions
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("new file") << false << 0 << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty over a file") << true << 0644 << QByteArray();
    QTest::newRow("private file stays private") << true << 0600 << newBytes();
    QTest::newRow("read-only for the group") << true << 0640 << QByteArray(1, '\0');
}

// The bytes as given, byte for byte, and a replaced file keeps its permissions.
void TestCore::savesWhole()
{
    QFETCH(bool, existing);
    QFETCH(int, mode);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.dat"));
    if (existing) {
        writeFile(path, OldBytes);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    }
    SaveFailure failure;
    QVERIFY(saveWholeFile(path, bytes, failure));
    QCOMPARE(bytesOf(path), bytes);
    QVERIFY(S_ISREG(modeOf(path)));
    if (existing)
        QCOMPARE(int(modeOf(path) & 07777), mode);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("file.dat")});
}

void TestCore::failureKeepsOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<AtomicFile::Step>("step");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a FIFO") << "fifo" << AtomicFile::Step::Opening << "Not a regular file";
    QTest::newRow("a folder") << "folder" << AtomicFile::Step::Opening << "Not a regular file";
    QTest::newRow("no such folder") << "missing folder" << AtomicFile::Step::Opening << "No such file or directory";
    // Root writes into any folder: a read-only mount stops it, and no one else may mount one.
    QTest::newRow("read-only mount") << "read-only mount" << AtomicFile::Step::Opening
                                     << "Existing file %1 is not writable";  // "%1": the path
    QTest::newRow("folder without write permission") << "unwritable folder" << AtomicFile::Step::Opening
                                                     << "Permission denied";
    QTest::newRow("full disk") << "full disk" << AtomicFile::Step::Writing << "File too large";
}

// Whatever stands at the path stays as it was, with no temporary beside it, and the reason says
// why.
void TestCore::failureKeepsOldFile()
{
    QFETCH(QString, kind);
    QFETCH(AtomicFile::Step, step);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString folder = dir.path();
    QString path = dir.filePath(QStringLiteral("file.dat"));
    const QByteArray local = QFile::encodeName(path);
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(local.constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("missing folder")) {
        folder = dir.filePath(QStringLiteral("gone"));
        path = folder + QStringLiteral("/file.dat");
    } else {
        writeFile(path, OldBytes);
    }
    bool mounted = false;
    const auto unmount = qScopeGuard([&] {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
    });
    if (kind == QLatin1String("read-only mount")) {
        if (geteuid() != 0)
            QSKIP("a read-only mount needs root");
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), folder, folder}) != 0)
            QSKIP("this machine does not let the test mount a file system");
        mounted = true;
        QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                                   {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), folder, folder}),
                 0);
    } else if (kind == QLatin1String("unwritable folder")) {
        if (geteuid() == 0)
            QSKIP("root writes into a folder without write permission");
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    }
    const QStringList before = entries(folder);

    SaveFailure failure;
    bool saved = false;
    if (kind == QLatin1String("full disk")) {
        FullDisk full;
        QVERIFY(full.on);
        saved = saveWholeFile(path, newBytes(), failure);
    } else {
        saved = saveWholeFile(path, newBytes(), failure);
    }
    if (kind == QLatin1String("unwritable folder"))
        ::chmod(QFile::encodeName(folder).constData(), 0755);

    QVERIFY(!saved);
    QCOMPARE(failure.fileName, path);
    QCOMPARE(failure.step, step);
    QCOMPARE(failure.reason, reason.contains(QLatin1String("%1")) ? reason.arg(path) : reason);
    QCOMPARE(entries(folder), before);
    if (kind == QLatin1String("fifo"))
        QVERIFY(S_ISFIFO(modeOf(path)));
    else if (kind == QLatin1String("folder"))
        QVERIFY(S_ISDIR(modeOf(path)));
    else if (kind != QLatin1String("missing folder"))
        QCOMPARE(bytesOf(path), OldBytes);
}

void TestCore::groupWrittenBeforeReplaced_data()
{
    QTest::addColumn<int>("blocked");  // the file a folder stands in place of; -1 none
    QTest::addColumn<bool>("fullDisk");  // the new bytes do not fit
    QTest::newRow("all saved") << -1 << false;
    QTest::newRow("first blocked") << 0 << false;
    QTest::newRow("last blocked") << 2 << false;
    QTest::newRow("full disk") << -1 << true;
}

// A failure at any file of a group leaves every old file as it was: the first is not replaced
// before the last is written whole.
void TestCore::groupWrittenBeforeReplaced()
{
    QFETCH(int, blocked);
    QFETCH(bool, fullDisk);
    QTemporaryDir dir;
    QList<WholeFile> files;
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("file%1.txt").arg(i));
        const QByteArray old = OldBytes + QByteArray::number(i);
        if (i == blocked)
            QVERIFY(QDir().mkdir(path));
        else
            writeFile(path, old);
        // Only the last file's new bytes are too big for the full disk.
        files.append({path, i == 2 && fullDisk ? newBytes() : QByteArray::number(i) + "\r\n"});
    }
    const QStringList before = entries(dir.path());
    SaveFailure failure;
    bool saved = false;
    {
        std::optional<FullDisk> full;
        if (fullDisk)
            full.emplace();
        saved = saveWholeFiles(files, failure);
    }
    const bool fails = blocked >= 0 || fullDisk;
    QCOMPARE(saved, !fails);
    QCOMPARE(entries(dir.path()), before);
    for (int i = 0; i < 3; ++i) {
        if (i == blocked)
            QVERIFY(S_ISDIR(modeOf(files[i].path)));
        else
            QCOMPARE(bytesOf(files[i].path), fails ? OldBytes + QByteArray::number(i) : files[i].bytes);
    }
    if (fails)
        QCOMPARE(failure.fileName, files[fullDisk ? 2 : blocked].path);
}

namespace {
double untouched(double)
{
    return -1.0;
}
} // namespace

void TestCore::resolvesAllOrNone_data()
{
    QTest::addColumn<bool>("library");  // the library is open; false: a null handle
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<QByteArray>("missing");  // the name reported; empty: every slot filled
    QTest::newRow("all found") << true << QByteArrayList{"cos", "sin", "sqrt"} << QByteArray();
    QTest::newRow("first missing") << true << QByteArrayList{"lettora_no_such_function", "sin", "sqrt"}
                                   << QByteArray("lettora_no_such_function");
    QTest::newRow("last missing") << true << QByteArrayList{"cos", "sin", "lettora_no_such_function"}
                                  << QByteArray("lettora_no_such_function");
    QTest::newRow("the first of two missing") << true << QByteArrayList{"cos", "lettora_gone", "lettora_also_gone"}
                                              << QByteArray("lettora_gone");
    QTest::newRow("no library") << false << QByteArrayList{"cos", "sin", "sqrt"} << QByteArray("cos");
}

// A table is filled whole from a library every Debian system has, or not at all.
void TestCore::resolvesAllOrNone()
{
    QFETCH(bool, library);
    QFETCH(QByteArrayList, names);
    QFETCH(QByteArray, missing);
    void *handle = library ? ::dlopen("libm.so.6", RTLD_NOW | RTLD_LOCAL) : nullptr;
    QVERIFY(handle || !library);
    const auto close = qScopeGuard([handle] {
        if (handle)
            ::dlclose(handle);
    });
    double (*first)(double) = &untouched, (*second)(double) = &untouched, (*third)(double) = &untouched;
    const char *reported = nullptr;
    const bool found = resolveSymbols(handle, {{names[0].constData(), first},
                                               {names[1].constData(), second},
                                               {names[2].constData(), third}},
                                      &reported);
    QCOMPARE(found, missing.isEmpty());
    QCOMPARE(QByteArray(reported), missing);
    if (found) {
        QCOMPARE(first(0.0), 1.0);   // cos
        QCOMPARE(second(0.0), 0.0);  // sin
        QCOMPARE(third(9.0), 3.0);   // sqrt
    } else {
        QVERIFY(first == &untouched && second == &untouched && third == &untouched);
    }
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
