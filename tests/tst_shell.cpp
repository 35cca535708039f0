#include "Fixtures.h"
#include "TestPictures.h"

#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/core/JpegFrame.h"
#include "shell/Memory.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"
#include "shell/QtScreenFactor.h"
#include "shell/ScreenScale.h"
#include "shell/SingleInstance.h"
#include "shell/WindowLook.h"
#include "shell/display/XRandrScreen.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QImageReader>
#include <QScopeGuard>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QWindow>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include <csignal>
#include <X11/extensions/randr.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace lettora;

namespace {

// A monitor as RandR shows it: an output and a CRTC of its own, `mode` 0 when it is off.
struct Monitor
{
    const char *name;
    bool connected;
    bool primary;
    unsigned long mode;
    int x = 0;
    int y = 0;
    std::vector<unsigned long> modes = {};
    unsigned rotation = RR_Rotate_0;
};

enum : unsigned long { M1024 = 0x41, M1024At75, M800, M800At75, M800At56, M1920, M600x800 };

const std::vector<xrandr::Mode> Modes = {
    {M1024, {1024, 768}, 60.0},    {M1024At75, {1024, 768}, 75.03}, {M800, {800, 600}, 60.32},
    {M800At75, {800, 600}, 75.0},  {M800At56, {800, 600}, 56.25},   {M1920, {1920, 1080}, 60.0},
    {M600x800, {600, 800}, 60.0}};

// Outputs 0x100 + i on CRTCs 0x200 + i, the screen just holding them at 4 pixels a millimetre.
xrandr::Layout layoutOf(const std::vector<Monitor> &monitors)
{
    xrandr::Layout layout;
    layout.modes = Modes;
    layout.minScreen = {320, 200};
    layout.maxScreen = {8192, 8192};
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Monitor &m = monitors[i];
        const unsigned long output = 0x100 + i, crtc = 0x200 + i;
        layout.outputs.push_back({output, m.name, m.connected, m.primary, m.mode ? crtc : 0, m.modes});
        xrandr::Size size;
        for (const xrandr::Mode &mode : Modes) {
            if (mode.id == m.mode)
                size = mode.size;
        }
        if (m.rotation & (RR_Rotate_90 | RR_Rotate_270))
            std::swap(size.width, size.height);
        layout.crtcs.push_back({crtc, m.mode, m.x, m.y, size, m.rotation, {}});
        if (m.mode) {
            layout.crtcs.back().outputs = {output};
            layout.screen.width = std::max(layout.screen.width, m.x + size.width);
            layout.screen.height = std::max(layout.screen.height, m.y + size.height);
        }
    }
    layout.screenMm = {layout.screen.width / 4, layout.screen.height / 4};
    return layout;
}

// "DP-1 800x600@75 screen 1824x768 456x192mm": the output, its new mode, the screen around it.
QString describe(const xrandr::Layout &layout, const std::optional<xrandr::Change> &change)
{
    if (!change)
        return QStringLiteral("none");
    QString output, mode;
    for (const xrandr::Output &o : layout.outputs) {
        if (o.id == change->output && o.crtc == change->crtc)
            output = QString::fromStdString(o.name);
    }
    for (const xrandr::Mode &m : layout.modes) {
        if (m.id == change->mode)
            mode = QStringLiteral("%1x%2@%3").arg(m.size.width).arg(m.size.height).arg(qRound(m.refresh));
    }
    return QStringLiteral("%1 %2 screen %3x%4 %5x%6mm")
        .arg(output, mode)
        .arg(change->screen.width)
        .arg(change->screen.height)
        .arg(change->screenMm.width)
        .arg(change->screenMm.height);
}

} // namespace

Q_DECLARE_METATYPE(lettora::xrandr::Layout)

class TestShell : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buttonIconsLoadNoPlugin();
    void resolver_data();
    void resolver();
    void ownDataFolder();
    void dataFolderChoice_data();
    void dataFolderChoice();
    void fullStop_data();
    void fullStop();
    void quotedNames_data();
    void quotedNames();
    void longNameFitsTheBox();
    void title_data();
    void title();
    void errorGuardShowsBox();
    void timerRules();
    void timerNotices_data();
    void timerNotices();
    void timerFires();
    void pictureFailures_data();
    void pictureFailures();
    void pictureFormats();
    void jpegEstimate_data();
    void jpegEstimate();
    void pictureLarge_data();
    void pictureLarge();
    void pictureAllocationLimitSetOnce();
    void clicks_data();
    void clicks();
    void signalWhileStuck_data();
    void signalWhileStuck();
    void outputSwitch_data();
    void outputSwitch();
    void outputRestore_data();
    void outputRestore();
    void instanceLock_data();
    void instanceLock();
    void frontRequests();
    void staleSocket();
    void boxBeforeWindows_data();
    void boxBeforeWindows();
    void qtScreenFactor();
    void screenRefit_data();
    void screenRefit();
};

void TestShell::resolver_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("found");  // relative to the folder
    QTest::newRow("exact") << "./Font/Upper/A.bmp" << "Font/Upper/A.bmp";
    QTest::newRow("lower-case folder") << "./font/Upper/B.bmp" << "Font/Upper/B.bmp";
    QTest::newRow("file name case") << "./Image/Btnoption.bmp" << "Image/BtnOption.bmp";
    QTest::newRow("every component") << "./IMAGE/btnOPTION.BMP" << "Image/BtnOption.bmp";
    QTest::newRow("backslash") << ".\\Picture" << "Picture";
    QTest::newRow("no prefix") << "Image/BtnOption.bmp" << "Image/BtnOption.bmp";
    QTest::newRow("exact spelling wins") << "./Both/x.txt" << "Both/x.txt";
    QTest::newRow("other spelling of a twin") << "./both/y.txt" << "both/y.txt";
    QTest::newRow("missing file kept as asked") << "./font/Upper/missing.bmp" << "Font/Upper/missing.bmp";
    QTest::newRow("missing folder kept as asked") << "./Nope/Upper/A.bmp" << "Nope/Upper/A.bmp";
}

void TestShell::resolver()
{
    QFETCH(QString, asked);
    QFETCH(QString, found);
    QTemporaryDir dir;
    for (const char *file : {"Font/Upper/A.bmp", "Font/Upper/B.bmp", "Image/BtnOption.bmp", "Both/x.txt", "both/y.txt"}) {
        QDir(dir.path()).mkpath(QFileInfo(QLatin1String(file)).path());
        QFile f(dir.path() + QLatin1Char('/') + QLatin1String(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkpath(QStringLiteral("Picture"));
    QCOMPARE(resolveWithoutCase(dir.path(), asked), dir.path() + QLatin1Char('/') + found);

    // The program folder's resolver gives the same, whatever the current directory.
    ProgramFolder::setRoot(dir.path());
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(ProgramFolder::resolve(asked), dir.path() + QLatin1Char('/') + found);
}

void TestShell::ownDataFolder()
{
    QTemporaryDir program, own;
    QDir(program.path()).mkpath(QStringLiteral("Data"));
    QDir(program.path()).mkpath(QStringLiteral("Image"));
    ProgramFolder::setRoot(program.path());
    QCOMPARE(ProgramFolder::resolve(QStringLiteral("./Data/Timer.dat")), program.path() + QStringLiteral("/Data/Timer.dat"));
    ProgramFolder::setDataFolder(own.path());
    QCOMPARE(ProgramFolder::resolve(QStringLiteral("./Data/Timer.dat")), own.path() + QStringLiteral("/Timer.dat"));
    QCOMPARE(ProgramFolder::resolve(QStringLiteral(".\\data\\Image.txt")), own.path() + QStringLiteral("/Image.txt"));
    QCOMPARE(ProgramFolder::resolve(QStringLiteral("./Image/border.bmp")), program.path() + QStringLiteral("/Image/border.bmp"));
    QCOMPARE(ProgramFolder::resolve(QStringLiteral("./Database/x")), program.path() + QStringLiteral("/Database/x"));
    QCOMPARE(ProgramFolder::dataFolder(), own.path());
    // A Data folder the user can write is used as it is.
    ProgramFolder::setDataFolder(QString());
    ProgramFolder::chooseDataFolder();
    QCOMPARE(ProgramFolder::dataFolder(), program.path() + QStringLiteral("/Data"));
}

void TestShell::dataFolderChoice_data()
{
    QTest::addColumn<bool>("installed");  // the install step's marker is in the program folder
    QTest::addColumn<bool>("home");       // HOME names a folder the user may write
    QTest::addColumn<bool>("ownFolder");  // the user's own Data folder is used
    QTest::addColumn<QString>("error");
    QTest::newRow("installed") << true << true << true << "";
    QTest::newRow("a copy keeps its unwritable Data") << false << true << false << "";
    QTest::newRow("installed, no HOME") << true << false << false
                                        << "Cannot create folder \"/.local/share/lettora/Data\". Permission denied";
}

// The program folder's Data cannot be written by the user who starts the game.
void TestShell::dataFolderChoice()
{
    QFETCH(bool, installed);
    QFETCH(bool, home);
    QFETCH(bool, ownFolder);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                          | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString program = dir.filePath(QStringLiteral("program")), user = dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(program + QStringLiteral("/Data")) && QDir().mkpath(user));
    QFile list(program + QStringLiteral("/Data/Image.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.close();
    if (installed) {
        QFile marker(program + QLatin1Char('/') + QLatin1String(ProgramFolder::InstalledMarker));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
    QVERIFY(chmod(QFile::encodeName(program + QStringLiteral("/Data")).constData(), 0555) == 0);
    if (geteuid() == 0)
        QVERIFY(chown(QFile::encodeName(user).constData(), 65534, 65534) == 0);  // the helper runs as nobody

    QProcess choice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    if (home)
        env.insert(QStringLiteral("HOME"), user);
    else
        env.remove(QStringLiteral("HOME"));
    choice.setProcessEnvironment(env);
    choice.start(QStringLiteral(LETTORA_DATA_FOLDER_CHOICE), {program});
    QVERIFY(choice.waitForFinished(30000));
    QCOMPARE(choice.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(choice.readAllStandardOutput()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    const QString own = user + QStringLiteral("/.local/share/lettora/Data");
    QCOMPARE(lines[0], ownFolder ? own : program + QStringLiteral("/Data"));
    QCOMPARE(lines[1], error);
    QCOMPARE(QFileInfo::exists(own + QStringLiteral("/Image.txt")), ownFolder);  // seeded from the installed lists
    QVERIFY(chmod(QFile::encodeName(program + QStringLiteral("/Data")).constData(), 0755) == 0);
}

void TestShell::fullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "File not found" << "File not found.";
    QTest::newRow("digit") << "List index out of bounds (3" << "List index out of bounds (3.";
    QTest::newRow("full stop") << "Done." << "Done.";
    QTest::newRow("parenthesis") << "Unknown picture file extension (.xyz)" << "Unknown picture file extension (.xyz)";
    QTest::newRow("quote") << "Cannot open \"a\"" << "Cannot open \"a\"";
    QTest::newRow("exclamation") << "Oops!" << "Oops!";
    QTest::newRow("question mark comes after the full stop") << "Why?" << "Why?.";
    QTest::newRow("slash comes after the full stop") << "a/" << "a/.";
    QTest::newRow("comma comes before") << "a," << "a,";
    QTest::newRow("accented letter") << QString::fromUtf8("Café") << QString::fromUtf8("Café.");
    QTest::newRow("empty") << "" << "";
}

void TestShell::fullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(withFullStop(text), shown);
}

void TestShell::quotedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("quoted");
    const QString ellipsis(QChar(0x2026));
    QTest::newRow("short path stays") << "/home/ann/Pictures/cat.jpg" << "/home/ann/Pictures/cat.jpg";
    const QString longest = QStringLiteral("/p/") + QString(189, QLatin1Char('x')) + QStringLiteral("/cat.jpg");
    QTest::newRow("200 characters stay") << longest << longest;
    QTest::newRow("201 characters are cut")
        << QStringLiteral("/p/") + QString(190, QLatin1Char('x')) + QStringLiteral("/cat.jpg")
        << QStringLiteral("/p/") + QString(96, QLatin1Char('x')) + ellipsis + QString(92, QLatin1Char('x')) + QStringLiteral("/cat.jpg");
    QTest::newRow("10 MB path keeps its start and end")
        << QStringLiteral("/home/") + QString(10 * 1024 * 1024, QLatin1Char('a')) + QStringLiteral("/dog.png")
        << QStringLiteral("/home/") + QString(93, QLatin1Char('a')) + ellipsis + QString(92, QLatin1Char('a')) + QStringLiteral("/dog.png");
    // A character outside the BMP is two halves: it is kept whole or dropped whole.
    const QString smile = QString(QChar(0xD83D)) + QChar(0xDE00);
    QTest::newRow("no half characters")
        << QString(98, QLatin1Char('b')) + smile + QString(300, QLatin1Char('c')) + smile + QString(99, QLatin1Char('d'))
        << QString(98, QLatin1Char('b')) + ellipsis + QString(99, QLatin1Char('d'));
}

void TestShell::quotedNames()
{
    QFETCH(QString, name);
    QFETCH(QString, quoted);
    QCOMPARE(quotedName(name), quoted);
    QVERIFY(quoted.size() <= MaxQuotedLength);
}

void TestShell::longNameFitsTheBox()
{
    // A quoted name at its longest has no space to wrap at: the real box must still show all of the
    // text within the screen.
    const QString text = QStringLiteral("Cannot open file \"/tmp/%1.jpg\". File name too long")
                             .arg(QString(190, QLatin1Char('a')));
    int boxWidth = 0;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        boxWidth = box->frameGeometry().width();
        shown = box->text().remove(QChar(0x200B));
        box->button(QMessageBox::Ok)->click();
    });
    reportError(text);
    QCOMPARE(shown, text + QLatin1Char('.'));
    QVERIFY2(boxWidth <= QGuiApplication::primaryScreen()->geometry().width(), qPrintable(QString::number(boxWidth)));
}

void TestShell::title_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");
    QTest::newRow("as built") << "Lettora" << "Lettora";
    QTest::newRow("up to the first full stop") << "Lettora.exe" << "Lettora";
    QTest::newRow("several dots") << "LETTORA.old.EXE" << "Lettora";
    QTest::newRow("first letter kept as it is") << "lETTORA" << "lettora";
    QTest::newRow("one letter") << "X.bin" << "X";
}

void TestShell::title()
{
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(applicationTitle(executable), title);
}

void TestShell::errorGuardShowsBox()
{
    setMessageHook({});
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    bool after = false;
    guard([] { throw Error(QStringLiteral("Something went wrong")); });
    guard([&] { after = true; });  // the program goes on with the next handler
    QCOMPARE(caption, applicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    QCOMPARE(text, QStringLiteral("Something went wrong."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(after);

    auto log = test::installMessageRecorder();
    guard([] { throw std::bad_alloc(); });
    showInformation(QStringLiteral("List is empty"));
    QCOMPARE(*log, QStringList({applicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                                    + QStringLiteral("|Out of memory."),
                                QStringLiteral("Information|List is empty")}));
    setMessageHook({});
}

void TestShell::timerRules()
{
    EventTimer timer(nullptr, 3000, false);
    QVERIFY(!timer.isCounting());
    QCOMPARE(timer.countdownsStarted(), 0);

    timer.setEnabled(true);
    QVERIFY(timer.isCounting());
    QCOMPARE(timer.countdownsStarted(), 1);
    timer.setEnabled(true);  // already enabled: the countdown goes on
    QCOMPARE(timer.countdownsStarted(), 1);
    timer.setInterval(3000);  // same interval: nothing changes
    QCOMPARE(timer.countdownsStarted(), 1);
    timer.setInterval(5000);  // a new interval restarts
    QCOMPARE(timer.countdownsStarted(), 2);
    timer.setEnabled(false);
    timer.setEnabled(true);  // off and on again restarts
    QCOMPARE(timer.countdownsStarted(), 3);

    for (qint64 never : {qint64(0), qint64(-1000), qint64(std::numeric_limits<int>::max()) + 1, qint64(10) * 1000 * 1000 * 1000}) {
        timer.setInterval(never);
        QVERIFY2(timer.isEnabled() && !timer.isCounting(), qPrintable(QString::number(never)));
    }
    timer.setInterval(1000);  // a usable interval meets "enabled" again
    QVERIFY(timer.isCounting());

    timer.setEnabled(false);
    timer.setInterval(2000);  // a disabled timer takes the interval without starting
    QVERIFY(!timer.isCounting());
}

void TestShell::timerNotices_data()
{
    QTest::addColumn<QStringList>("steps");  // "on", "off", or a new interval in ms
    QTest::addColumn<QStringList>("notices");
    QTest::newRow("enabled twice: one start") << QStringList{"on", "on"} << QStringList{"start 3000"};
    QTest::newRow("off and on: a restart") << QStringList{"on", "off", "on"} << QStringList{"start 3000", "stop", "start 3000"};
    QTest::newRow("new interval while running: a restart") << QStringList{"on", "5000"} << QStringList{"start 3000", "start 5000"};
    QTest::newRow("same interval: nothing") << QStringList{"on", "3000"} << QStringList{"start 3000"};
    QTest::newRow("interval 0: stopped") << QStringList{"on", "0", "0"} << QStringList{"start 3000", "stop"};
    QTest::newRow("a usable interval again") << QStringList{"on", "0", "2000"} << QStringList{"start 3000", "stop", "start 2000"};
    QTest::newRow("disabled: silent") << QStringList{"5000", "0", "off", "4000"} << QStringList{};
}

// Whoever shows the countdown hears of each real start and stop, and of nothing else.
void TestShell::timerNotices()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, notices);
    EventTimer timer(nullptr, 3000, false);
    QStringList heard;
    connect(&timer, &EventTimer::countdownStarted, &timer, [&](qint64 ms) { heard << QStringLiteral("start %1").arg(ms); });
    connect(&timer, &EventTimer::countdownStopped, &timer, [&] { heard << QStringLiteral("stop"); });
    for (const QString &step : steps) {
        if (step == QLatin1String("on") || step == QLatin1String("off"))
            timer.setEnabled(step == QLatin1String("on"));
        else
            timer.setInterval(step.toLongLong());
    }
    QCOMPARE(heard, notices);
    QCOMPARE(timer.remainingTime() >= 0, timer.isCounting());
    QVERIFY(timer.remainingTime() <= timer.interval());
}

void TestShell::timerFires()
{
    EventTimer timer(nullptr, 1, true);
    int ticks = 0;
    int starts = 0;  // the next countdown is announced before each tick
    connect(&timer, &EventTimer::countdownStarted, &timer, [&] { ++starts; });
    auto log = test::installMessageRecorder();
    timer.onTimer = [&] {
        QCOMPARE(starts, ticks + 1);
        if (++ticks == 1)
            throw Error(QStringLiteral("tick failed"));  // reported, and the timer goes on
    };
    QTRY_VERIFY(ticks >= 3);
    QCOMPARE(log->size(), 1);
    QVERIFY(log->first().endsWith(QStringLiteral("|tick failed.")));
    setMessageHook({});
}

namespace {
QByteArray bmpHeader(qint32 width, qint32 height)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(54, b.data() + 10);
    qToLittleEndian<quint32>(40, b.data() + 14);
    qToLittleEndian<qint32>(width, b.data() + 18);
    qToLittleEndian<qint32>(height, b.data() + 22);
    qToLittleEndian<quint16>(1, b.data() + 26);
    qToLittleEndian<quint16>(24, b.data() + 28);
    return b;
}
} // namespace

void TestShell::pictureFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");  // "<none>": no file
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QSize>("target");
    QTest::newRow("missing") << "gone.bmp" << QByteArray("<none>") << "No such file or directory" << QSize();
    QTest::newRow("unknown extension") << "cat.xyz" << QByteArray("data") << "Unknown picture file extension (.xyz)" << QSize();
    QTest::newRow("no extension") << "cat" << QByteArray("data") << "The file has no picture extension" << QSize();
    QTest::newRow("not a picture") << "cat.jpg" << QByteArray("this is text") << "The file is not a valid picture" << QSize();
    QTest::newRow("header claims a huge size") << "huge.bmp" << bmpHeader(60000, 60000)
                                               << "The picture is too large to show (60000 x 60000 pixels)." << QSize();
    // Shown small all the same: the decoder keeps every coefficient of a progressive JPEG (2.2 GB).
    QTest::newRow("huge progressive JPEG") << "large.jpg" << test::progressiveJpeg(22500, 33300)
                                           << "The picture is too large to show (22500 x 33300 pixels)." << QSize(220, 220);
    // The frame libjpeg decodes, not a small one hidden in a segment it skips: a reader that took
    // the stuffed zero (FF 00) before it for a marker would land inside that segment.
    QByteArray hidden = test::progressiveJpeg(10000, 9000);
    const QByteArray decoy = QByteArray::fromHex("FFC0 0011 08 0001 0001 03 012200 021100 031100"
                                                 "FFDA 000C 03 0100 0200 0300 00 00 00");
    hidden.insert(2, QByteArray::fromHex("FF00 0005 FFE1 00") + char(decoy.size() + 2) + decoy);
    QTest::newRow("huge progressive JPEG behind a stuffed zero")
        << "hidden.jpg" << hidden << "The picture is too large to show (10000 x 9000 pixels)." << QSize(220, 220);
    // A grey panorama on a screen four times as sharp: decoded whole at a byte a pixel, then copied
    // at four for the smooth scaling (over 300 MB).
    QTest::newRow("grey panorama shown large") << "wide.jpg" << test::greyJpeg(65500, 960)
                                               << "The picture is too large to show (65500 x 960 pixels)." << QSize(880, 880);
    // Decoded at 8 bytes a pixel: 384 MB, over the budget that the 8-bit photo fits.
    QTest::newRow("48 MP PNG of 16-bit samples") << "scan.png" << test::solidPng(8000, 6000, {30, 120, 200}, 16)
                                                 << "The picture is too large to show (8000 x 6000 pixels)." << QSize(220, 220);
}

void TestShell::pictureFailures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QFETCH(QSize, target);
    QTemporaryDir dir;
    const QString file = dir.filePath(name);
    if (content != "<none>") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    try {
        loadPicture(file, target);
        QFAIL("no error raised");
    } catch (const Error &e) {
        QVERIFY2(e.text().startsWith(QStringLiteral("Cannot open file \"%1\". %2").arg(file, reason)), qPrintable(e.text()));
    }
}

namespace {
QByteArray savedJpeg(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "jpeg");
    return jpeg;
}
} // namespace

void TestShell::jpegEstimate_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("target");
    QTest::newRow("at its own size") << savedJpeg(64, 48) << QSize();
    QTest::newRow("smaller") << savedJpeg(440, 330) << QSize(220, 165);
    QTest::newRow("smaller, not by a power of two") << savedJpeg(660, 495) << QSize(220, 165);
    QTest::newRow("larger") << savedJpeg(8, 8) << QSize(220, 220);
    QTest::newRow("progressive, larger") << test::progressiveJpeg(64, 48) << QSize(220, 165);
    QTest::newRow("progressive, smaller") << test::progressiveJpeg(880, 660) << QSize(220, 165);
    QTest::newRow("grey, smaller") << test::greyJpeg(440, 330) << QSize(220, 165);
}

// The estimate made before decoding covers what the decoding holds at once: the picture as libjpeg
// outputs it (M/8 of its size) and the copy Qt scales from it to the size asked for.
void TestShell::jpegEstimate()
{
    QFETCH(QByteArray, content);
    QFETCH(QSize, target);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const JpegFrame frame = readJpegFrame(buffer);
    QVERIFY(frame.found);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.jpg"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    const QSize size(frame.width, frame.height);
    QCOMPARE(QImageReader(file).size(), size);
    const QImage image = loadPicture(file, target);
    qint64 held = image.sizeInBytes();
    if (target.isValid()) {
        const double f = std::min(double(size.width()) / target.width(), double(size.height()) / target.height());
        const int eighths = std::clamp(int(std::ceil(8 / f)), 1, 8);
        held += qint64((size.width() * eighths + 7) / 8) * ((size.height() * eighths + 7) / 8) * 4;
    }
    const qint64 cost = jpegDecodeCost(frame, size, target);
    QVERIFY2(cost >= held, qPrintable(QStringLiteral("%1 < %2").arg(cost).arg(held)));
}

void TestShell::pictureFormats()
{
    QTemporaryDir dir;
    QImage source(40, 30, QImage::Format_RGB32);
    source.fill(QColor(200, 40, 40));
    for (const char *name : {"a.bmp", "b.jpg", "c.jpeg", "d.png", "e.JPG"}) {
        const QString file = dir.filePath(QLatin1String(name));
        const QByteArray format = QByteArray(name).endsWith("png") ? "png" : QByteArray(name).endsWith("bmp") ? "bmp" : "jpeg";
        QVERIFY(source.save(file, format.constData()));
        const QImage image = loadPicture(file);
        QCOMPARE(image.size(), QSize(40, 30));
        QVERIFY2(qAbs(image.pixelColor(20, 15).red() - 200) < 8, name);
    }
}

void TestShell::pictureLarge_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QColor>("colour");
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(QColor(30, 120, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(photo.save(&buffer, "jpeg"));
    QTest::newRow("12 MP JPEG") << "big.jpg" << jpeg << QColor(30, 120, 200);
    QTest::newRow("12 MP progressive JPEG") << "grey.jpg" << test::progressiveJpeg(4000, 3000) << QColor(128, 128, 128);
    // More than Qt decodes by default (128 MB), within the budget.
    QTest::newRow("48 MP PNG") << "photo.png" << test::solidPng(8000, 6000, {30, 120, 200}) << QColor(30, 120, 200);
}

void TestShell::pictureLarge()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QColor, colour);
    QTemporaryDir dir;
    const QString file = dir.filePath(name);
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    // Shown small (JPEG decodes scaled down), and at its own size as a fixed picture would be.
    for (const QSize target : {QSize(220, 220), QSize()}) {
        const QImage image = loadPicture(file, target);
        QCOMPARE(image.size(), target.isValid() ? target : QImageReader(file).size());
        const QColor seen = image.pixelColor(100, 100);
        QVERIFY2(qAbs(seen.red() - colour.red()) < 8 && qAbs(seen.green() - colour.green()) < 8
                     && qAbs(seen.blue() - colour.blue()) < 8,
                 qPrintable(seen.name()));
    }
}

// Qt's limit on a decoded image is the whole program's: it comes with the application object, and
// a decode on any thread leaves it as it stands.
void TestShell::pictureAllocationLimitSetOnce()
{
    const int set = int(PictureDecodeBudget / (1024 * 1024));
    QProcess start;
    start.start(QStringLiteral(LETTORA_APPLICATION_START), {});
    QVERIFY(start.waitForFinished(30000));
    QCOMPARE(start.exitCode(), 0);
    QCOMPARE(start.readAllStandardOutput().trimmed().toInt(), set);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("small.png"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(file));
    QImageReader::setAllocationLimit(set / 2);
    auto restore = qScopeGuard([set] { QImageReader::setAllocationLimit(set); });
    QVERIFY(!loadPicture(file).isNull());
    QVERIFY(!loadPicture(file, QSize(20, 15)).isNull());
    QCOMPARE(QImageReader::allocationLimit(), set / 2);
}

void TestShell::clicks_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("left click") << "left" << QStringList{"press L", "click", "release L"};
    QTest::newRow("left released outside") << "leftOutside" << QStringList{"press L", "release L"};
    QTest::newRow("right click") << "right" << QStringList{"press R", "release R"};
    QTest::newRow("right released outside") << "rightOutside" << QStringList{"press R"};
    QTest::newRow("middle click") << "middle" << QStringList{"press M", "release M"};
    QTest::newRow("double click") << "double"
                                  << QStringList{"press L", "click", "release L", "press L", "release L"};
}

void TestShell::clicks()
{
    QFETCH(QString, gesture);
    QFETCH(QStringList, events);
    QWidget window;
    window.resize(300, 200);
    PictureControl control(&window, QStringLiteral("Btn"), QRect(10, 10, 60, 40));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList seen;
    auto name = [](Qt::MouseButton b) { return b == Qt::LeftButton ? "L" : b == Qt::RightButton ? "R" : "M"; };
    control.onPress = [&](Qt::MouseButton b) { seen << QStringLiteral("press ") + QLatin1String(name(b)); };
    control.onRelease = [&](Qt::MouseButton b) { seen << QStringLiteral("release ") + QLatin1String(name(b)); };
    control.onClick = [&] { seen << QStringLiteral("click"); };

    const QPoint inside(30, 20), outside(200, 150);  // control coordinates
    if (gesture == QLatin1String("left")) {
        QTest::mouseClick(&control, Qt::LeftButton, {}, inside);
    } else if (gesture == QLatin1String("leftOutside")) {
        QTest::mousePress(&control, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(&control, Qt::LeftButton, {}, outside);
    } else if (gesture == QLatin1String("right")) {
        QTest::mouseClick(&control, Qt::RightButton, {}, inside);
    } else if (gesture == QLatin1String("rightOutside")) {
        QTest::mousePress(&control, Qt::RightButton, {}, inside);
        QTest::mouseRelease(&control, Qt::RightButton, {}, outside);
    } else if (gesture == QLatin1String("middle")) {
        QTest::mouseClick(&control, Qt::MiddleButton, {}, inside);
    } else {
        // Through the window, as the window system delivers it: press, release, double click, release.
        QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, control.mapTo(&window, inside));
    }
    QCOMPARE(seen, events);
    QCOMPARE(control.focusPolicy(), Qt::NoFocus);
}

void TestShell::signalWhileStuck_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A signal that asks the program to end ends it with 128 + signal, even while its main thread is
// stuck in a system call and the event loop never runs again.
void TestShell::signalWhileStuck()
{
    QFETCH(int, signal);
    test::ProgramFolderCopy folder;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LETTORA_AUDIO_OUTPUT"), QStringLiteral("null"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LETTORA_STUCK_PROGRAM), {folder.root()});
    QVERIFY(program.waitForReadyRead(30000));
    QCOMPARE(program.readLine(), QByteArray("stuck\n"));
    ::kill(program.processId(), signal);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + signal);
}

void TestShell::outputSwitch_data()
{
    QTest::addColumn<xrandr::Layout>("layout");
    QTest::addColumn<QString>("change");
    const std::vector<unsigned long> usual = {M1024, M800At56, M800, M800At75, M1024At75};
    QTest::newRow("one monitor") << layoutOf({{"DUMMY0", true, true, M1024, 0, 0, usual}})
                                 << "DUMMY0 800x600@60 screen 800x600 200x150mm";
    QTest::newRow("refresh closest to the current one")
        << layoutOf({{"DUMMY0", true, true, M1024At75, 0, 0, usual}}) << "DUMMY0 800x600@75 screen 800x600 200x150mm";
    QTest::newRow("primary right of another")
        << layoutOf({{"HDMI-1", true, false, M1920, 0, 0, {M1920, M800}}, {"DP-1", true, true, M1024, 1920, 0, usual}})
        << "DP-1 800x600@60 screen 2720x1080 680x270mm";
    QTest::newRow("primary left of another")
        << layoutOf({{"DP-1", true, true, M1024, 0, 0, usual}, {"HDMI-1", true, false, M1920, 1024, 0, {M1920, M800}}})
        << "DP-1 800x600@60 screen 2944x1080 736x270mm";
    QTest::newRow("primary below a taller one")
        << layoutOf({{"DP-1", true, true, M1024, 0, 1080, usual}, {"HDMI-1", true, false, M1920, 0, 0, {M1920}}})
        << "DP-1 800x600@60 screen 1920x1680 480x420mm";
    QTest::newRow("no primary: the first shown")
        << layoutOf({{"VGA-1", false, false, 0, 0, 0, usual},
                     {"HDMI-1", true, false, M1024, 0, 0, usual},
                     {"DP-1", true, false, M1024, 1024, 0, usual}})
        << "HDMI-1 800x600@60 screen 2048x768 512x192mm";
    QTest::newRow("primary disconnected")
        << layoutOf({{"eDP-1", false, true, 0, 0, 0, usual}, {"HDMI-1", true, false, M1024At75, 0, 0, usual}})
        << "HDMI-1 800x600@75 screen 800x600 200x150mm";
    QTest::newRow("primary turned off")
        << layoutOf({{"eDP-1", true, true, 0, 0, 0, usual}, {"HDMI-1", true, false, M1024, 0, 0, usual}})
        << "HDMI-1 800x600@60 screen 800x600 200x150mm";
    QTest::newRow("no 800x600") << layoutOf({{"DUMMY0", true, true, M1024, 0, 0, {M1920, M1024}}}) << "none";
    QTest::newRow("800x600 only on the other monitor")
        << layoutOf({{"DP-1", true, true, M1024, 0, 0, {M1024}}, {"HDMI-1", true, false, M1024, 1024, 0, usual}})
        << "none";
    QTest::newRow("turned 90 degrees")
        << layoutOf({{"DSI-1", true, true, M1024, 0, 0, {M1024, M800, M600x800}, RR_Rotate_90}})
        << "DSI-1 600x800@60 screen 800x600 200x150mm";
    QTest::newRow("turned 270 degrees without 600x800")
        << layoutOf({{"DSI-1", true, true, M1024, 0, 0, usual, RR_Rotate_270}}) << "none";
    QTest::newRow("Xwayland") << layoutOf({{"XWAYLAND0", true, true, M1024, 0, 0, usual}}) << "none";
    QTest::newRow("nothing shown") << layoutOf({{"DUMMY0", true, true, 0, 0, 0, usual}}) << "none";
}

// Only the primary output's CRTC changes, and the screen only as far as the other monitors need.
void TestShell::outputSwitch()
{
    QFETCH(xrandr::Layout, layout);
    QFETCH(QString, change);
    QCOMPARE(describe(layout, xrandr::planSwitch(layout, {800, 600})), change);
}

void TestShell::outputRestore_data()
{
    QTest::addColumn<xrandr::Layout>("layout");
    QTest::addColumn<QString>("change");
    const std::vector<unsigned long> usual = {M1024, M800At56, M800, M800At75, M1024At75};
    QTest::newRow("still switched")
        << layoutOf({{"HDMI-1", true, false, M1920, 0, 0, {M1920}}, {"DP-1", true, true, M800, 1920, 0, usual}})
        << "DP-1 1024x768@60 screen 2944x1080 736x270mm";
    QTest::newRow("another mode set since")
        << layoutOf({{"HDMI-1", true, false, M1920, 0, 0, {M1920}}, {"DP-1", true, true, M800At75, 1920, 0, usual}})
        << "none";
    QTest::newRow("output turned off since")
        << layoutOf({{"HDMI-1", true, false, M1920, 0, 0, {M1920}}, {"DP-1", true, true, 0, 1920, 0, usual}})
        << "none";
    QTest::newRow("the other monitor moved down since")
        << layoutOf({{"HDMI-1", true, false, M1920, 0, 200, {M1920}}, {"DP-1", true, true, M800, 1920, 0, usual}})
        << "DP-1 1024x768@60 screen 2944x1280 736x320mm";
}

// The restore puts back the very mode and screen size the switch replaced, and only over the
// mode it switched to.
void TestShell::outputRestore()
{
    QFETCH(xrandr::Layout, layout);
    QFETCH(QString, change);
    const xrandr::Switch done{0x101, M1024, M800, {2944, 1080}, {736, 270}};
    QCOMPARE(describe(layout, xrandr::planRestore(layout, done)), change);
}

namespace {
// Runs `work` as a user other than the one who made the files (nobody, where the test runs as
// root: root may write anything); elsewhere the files' own permissions keep the user out.
template<typename Work>
auto asAnotherUser(bool other, Work work)
{
    const bool switchUser = other && geteuid() == 0;
    if (switchUser && seteuid(65534) != 0)
        qFatal("cannot become another user");
    const auto back = qScopeGuard([switchUser] {
        if (switchUser && seteuid(0) != 0)
            qFatal("cannot become root again");
    });
    return work();
}
} // namespace

void TestShell::instanceLock_data()
{
    QTest::addColumn<QString>("inPlace");    // what the Data folder holds where the lock file goes
    QTest::addColumn<int>("otherUsers");    // how many of the two games are another user's
    QTest::addColumn<bool>("refused");      // the second game is refused
    QTest::addColumn<QString>("problem");   // what the first game says before it runs
    QTest::newRow("an ordinary folder") << "" << 0 << true << "";
    QTest::newRow("a lock file the second game may not write") << "read-only file" << 1 << true << "";
    QTest::newRow("a lock file neither game may write") << "read-only file" << 2 << true << "";
    QTest::newRow("a symlink") << "symlink" << 0 << true << "";
    QTest::newRow("a folder") << "folder" << 0 << true << "";
    QTest::newRow("a FIFO") << "fifo" << 0 << true << "";
    QTest::newRow("a read-only Data folder") << "read-only Data" << 2 << true << "";
    QTest::newRow("a Data folder that cannot be read") << "unreadable Data" << 2 << false
                                                        << "Cannot lock folder \"%1\", so another game could use "
                                                           "the same lists at the same time. Permission denied";
}

// The second game over the same Data folder is refused whatever is in the lock file's place and
// whoever made it; the lock goes with the game that held it. Where nothing can be locked, the game
// says so.
void TestShell::instanceLock()
{
    QFETCH(QString, inPlace);
    QFETCH(int, otherUsers);
    QFETCH(bool, refused);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    const QString data = dir.filePath(QStringLiteral("Data"));
    const QString lockFile = data + QStringLiteral("/Lettora.lock");
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(data));
    QFile target(elsewhere);
    QVERIFY(target.open(QIODevice::WriteOnly) && target.write("kept") == 4);
    target.close();
    if (inPlace == QLatin1String("read-only file")) {
        QFile file(lockFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(chmod(QFile::encodeName(lockFile).constData(), 0444) == 0);
    } else if (inPlace == QLatin1String("symlink")) {
        QVERIFY(QFile::link(elsewhere, lockFile));
    } else if (inPlace == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(lockFile));
    } else if (inPlace == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(lockFile).constData(), 0644), 0);
    }
    const int mode = inPlace == QLatin1String("read-only Data") ? 0555 : inPlace == QLatin1String("unreadable Data") ? 0111 : 0755;
    QVERIFY(chmod(QFile::encodeName(data).constData(), mode_t(mode)) == 0);
    const auto writable = qScopeGuard([&data] { chmod(QFile::encodeName(data).constData(), 0755); });

    auto first = asAnotherUser(otherUsers >= 2, [&data] { return std::make_unique<InstanceLock>(data); });
    QVERIFY(!first->anotherGameRuns());
    QCOMPARE(first->problem(), problem.isEmpty() ? problem : problem.arg(data));
    {
        const auto second = asAnotherUser(otherUsers >= 1, [&data] { return std::make_unique<InstanceLock>(data); });
        QCOMPARE(second->anotherGameRuns(), refused);
    }
    first.reset();
    const auto next = asAnotherUser(otherUsers >= 1, [&data] { return std::make_unique<InstanceLock>(data); });
    QVERIFY(!next->anotherGameRuns());
    // What was in the lock file's place is left as it was.
    QFile kept(elsewhere);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept"));
    QCOMPARE(QFileInfo(lockFile).isSymLink(), inPlace == QLatin1String("symlink"));
    QCOMPARE(QFileInfo(lockFile).isDir(), inPlace == QLatin1String("folder"));
}

namespace {
// A runtime folder of the test's own, for the sockets.
struct RuntimeFolder
{
    QTemporaryDir dir;
    QByteArray before = qgetenv("XDG_RUNTIME_DIR");
    RuntimeFolder() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path())); }
    ~RuntimeFolder()
    {
        if (before.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", before);
    }
};
} // namespace

// A later copy's request reaches the game that listens for its Data folder, and no other; the
// socket is the user's, named by the folder whatever way the folder is written.
void TestShell::frontRequests()
{
    RuntimeFolder runtime;
    QTemporaryDir data, other;
    const QString path = FrontRequests::socketPath(data.path());
    QCOMPARE(QFileInfo(path).path(), runtime.dir.path());
    QVERIFY(QFile::link(data.path(), runtime.dir.filePath(QStringLiteral("link"))));
    QCOMPARE(FrontRequests::socketPath(runtime.dir.filePath(QStringLiteral("link"))), path);
    QCOMPARE(FrontRequests::socketPath(data.path() + QStringLiteral("/")), path);
    QVERIFY(FrontRequests::socketPath(other.path()) != path);
    QVERIFY(!FrontRequests::askRunningGame(data.path()));  // nobody listens

    {
        FrontRequests running(data.path());
        QVERIFY(running.isListening());
        QSignalSpy asked(&running, &FrontRequests::comeToTheFront);
        QVERIFY(FrontRequests::askRunningGame(data.path()));
        QTRY_COMPARE(asked.count(), 1);
        QVERIFY(FrontRequests::askRunningGame(runtime.dir.filePath(QStringLiteral("link"))));
        QTRY_COMPARE(asked.count(), 2);
        QVERIFY(!FrontRequests::askRunningGame(other.path()));
        QCoreApplication::processEvents();
        QCOMPARE(asked.count(), 2);
    }
    QVERIFY(!QFileInfo::exists(path));  // gone with the game

    // Without a runtime folder, in the temporary folder under a name of the user's own.
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(FrontRequests::socketPath(data.path()),
             QDir::tempPath() + QStringLiteral("/lettora-%1-").arg(getuid()) + QFileInfo(path).fileName().mid(8));
}

// A game that crashed leaves its socket file: the next game still starts, listens and is asked.
void TestShell::staleSocket()
{
    RuntimeFolder runtime;
    QTemporaryDir data;
    const QByteArray path = QFile::encodeName(FrontRequests::socketPath(data.path()));
    const int crashed = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    QCOMPARE(bind(crashed, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(listen(crashed, 1), 0);
    close(crashed);
    QVERIFY(QFileInfo::exists(QFile::decodeName(path)));
    QVERIFY(!FrontRequests::askRunningGame(data.path()));

    const InstanceLock lock(data.path());
    QVERIFY(!lock.anotherGameRuns());
    FrontRequests running(data.path());
    QVERIFY(running.isListening());
    QSignalSpy asked(&running, &FrontRequests::comeToTheFront);
    QVERIFY(FrontRequests::askRunningGame(data.path()));
    QTRY_COMPARE(asked.count(), 1);
}

namespace {
using test::FakeScaler;

FakeScaler &installFakeScaler(QSize screen, qreal current)
{
    auto scaler = std::make_unique<FakeScaler>();
    FakeScaler &fake = *scaler;
    fake.screen = screen;
    fake.current = current;
    setScreenScaler(std::move(scaler));
    return fake;
}

bool sameFactors(const QList<qreal> &a, const QList<qreal> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!qFuzzyCompare(a[i], b[i]))
            return false;
    }
    return true;
}

QString factorsText(const QList<qreal> &factors)
{
    QStringList texts;
    for (qreal f : factors)
        texts << QString::number(f);
    return texts.join(QLatin1Char(' '));
}
} // namespace

void TestShell::boxBeforeWindows_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<qreal>("desktop");   // the factor the desktop draws at
    QTest::addColumn<qreal>("box");       // the factor the box is drawn at
    QTest::addColumn<QList<qreal>>("set");
    QTest::newRow("1920 x 1080") << QSize(1920, 1080) << 1.0 << 1.8 << QList<qreal>{1.8, 1.0};
    QTest::newRow("800 x 600") << QSize(800, 600) << 1.0 << 1.0 << QList<qreal>{};
    QTest::newRow("a desktop drawn at 2") << QSize(1600, 1200) << 2.0 << 2.0 << QList<qreal>{};
    QTest::newRow("a desktop drawn at 2, 3840 x 2160") << QSize(3840, 2160) << 2.0 << 3.6 << QList<qreal>{3.6, 2.0};
}

// A box shown before the game window (a problem with the Data folder) is drawn at the screen's
// factor; the desktop's own factor is back afterwards, for the game window to decide by.
void TestShell::boxBeforeWindows()
{
    QFETCH(QSize, screen);
    QFETCH(qreal, desktop);
    QFETCH(qreal, box);
    QFETCH(QList<qreal>, set);
    FakeScaler &fake = installFakeScaler(screen, desktop);
    const auto restore = qScopeGuard([] { setScreenScaler(nullptr); });
    QList<qreal> seen;
    ScreenFit::instance().showBeforeWindows([&] { seen << fake.current; });
    QCOMPARE(seen.size(), 1);
    QVERIFY2(qFuzzyCompare(seen[0], box), qPrintable(QString::number(seen[0])));
    QVERIFY2(sameFactors(fake.set, set), qPrintable(factorsText(fake.set)));
    QVERIFY(qFuzzyCompare(fake.current, desktop));
}

// On the Qt it was built against, the program sets the screen's factor while it runs: Qt's logical
// screen shrinks by it, and the platform's pixels stay.
void TestShell::qtScreenFactor()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    QVERIFY(qtscreen::canSetFactor());
    const qreal before = qtscreen::factor(screen);
    const QSize pixels = qtscreen::platformSize(screen, true);
    auto restore = qScopeGuard([&] { qtscreen::setFactor(screen, before); });
    qtscreen::setFactor(screen, 2 * before);
    QCOMPARE(qtscreen::factor(screen), 2 * before);
    QCOMPARE(qtscreen::platformSize(screen, true), pixels);
    QCOMPARE(screen->geometry().size(), pixels / (2 * before));
}

void TestShell::screenRefit_data()
{
    QTest::addColumn<QSize>("now");            // the screen's size after the change
    QTest::addColumn<QList<qreal>>("set");     // the factors set by the refit
    QTest::addColumn<bool>("centred");        // the windows above the main window are centred again
    QTest::newRow("larger") << QSize(1920, 1080) << QList<qreal>{1.8} << true;
    QTest::newRow("switched to 800 x 600") << QSize(800, 600) << QList<qreal>{1.0} << true;
    QTest::newRow("taller only: the width decides") << QSize(1024, 1024) << QList<qreal>{1.28} << false;
    QTest::newRow("3840 x 2160") << QSize(3840, 2160) << QList<qreal>{3.6} << true;
}

// A change of the screen's size, a burst of signals, is followed once: the whole program drawn at
// the new factor, the main window over the screen, the windows above it centred again.
void TestShell::screenRefit()
{
    QFETCH(QSize, now);
    QFETCH(QList<qreal>, set);
    QFETCH(bool, centred);
    FakeScaler &fake = installFakeScaler(QSize(1024, 768), 1.28);
    QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    QWidget main(nullptr, Qt::FramelessWindowHint);  // as the game window
    main.setGeometry(10, 10, 300, 200);
    main.show();
    QWidget above(&main, Qt::Dialog);
    above.resize(200, 100);
    above.show();
    QVERIFY(QTest::qWaitForWindowExposed(&above));
    above.windowHandle()->setGeometry(QRect(QPoint(0, 0), above.size()));
    const auto restore = qScopeGuard([] {
        ScreenFit::instance().stopFollowing();
        setScreenScaler(nullptr);
    });
    ScreenFit::instance().follow(&main);
    QCOMPARE(main.geometry(), screen->geometry());
    main.setGeometry(10, 10, 300, 200);
    QVERIFY(fake.set.isEmpty());

    fake.screen = now;
    Q_EMIT screen->geometryChanged(screen->geometry());
    Q_EMIT screen->availableGeometryChanged(screen->availableGeometry());
    QTRY_VERIFY(!fake.set.isEmpty());
    QTRY_COMPARE(main.geometry(), screen->geometry());
    QVERIFY2(sameFactors(fake.set, set), qPrintable(factorsText(fake.set)));
    const QPoint centre = above.windowHandle()->geometry().center();
    QCOMPARE((centre - screen->geometry().center()).manhattanLength() <= 1, centred);
}

QTEST_MAIN(TestShell)
// The image plugins mapped into this process.
static QStringList mappedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("unreadable")};
    QStringList plugins;
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.contains("/imageformats/"))
            plugins << QString::fromLocal8Bit(line.mid(line.lastIndexOf(' ') + 1));
    plugins.removeDuplicates();
    return plugins;
}

// A message box's buttons show their icons without loading every image plugin to read them, and
// the icons are the pictures Qt's own style draws.
void TestShell::buttonIconsLoadNoPlugin()
{
    useOwnButtonIcons();
    const QStringList before = mappedImagePlugins();
    const QIcon ok = QApplication::style()->standardIcon(QStyle::SP_DialogOkButton);
    QVERIFY(!ok.pixmap(16).isNull() && !ok.pixmap(32).isNull());
    QCOMPARE(mappedImagePlugins(), before);
    // The game's copies are the files this Qt draws its buttons with, byte for byte.
    for (const char *name : {"ok", "cancel", "yes", "no", "open", "save", "close"}) {
        for (const int size : {16, 32, 128}) {
            QFile ours(QStringLiteral(":/lettora/buttons/%1-%2.png").arg(QLatin1String(name)).arg(size));
            QFile qts(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-%1-%2.png")
                          .arg(QLatin1String(name))
                          .arg(size));
            QVERIFY2(ours.open(QIODevice::ReadOnly), qPrintable(ours.fileName()));
            if (!qts.open(QIODevice::ReadOnly))
                QSKIP("This Qt keeps its button icons elsewhere");
            QVERIFY2(ours.readAll() == qts.readAll(), qPrintable(ours.fileName()));
        }
    }
}

#include "tst_shell.moc"
