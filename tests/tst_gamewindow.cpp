#include "Fixtures.h"
#include "shell/core/AssetPaths.h"

#include "game/LettoraUnit.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/ScreenScale.h"
#include "parents/ParentSettings.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QScopeGuard>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <functional>

using namespace lettora;

namespace {

// One game window in a program folder of its own, with the display and the sounds recorded.
struct Game
{
    explicit Game(const QByteArray &fontSetting = QByteArray(), const QStringList &remove = {})
    {
        if (!fontSetting.isEmpty())
            folder.write(QStringLiteral("Data/Font.dat"), fontSetting);
        for (const QString &file : remove)
            folder.remove(file);
        display = test::installFakeDisplay();
        effects = test::installEffectRecorder();
        messages = test::installMessageRecorder();
        window = std::make_unique<TFormLettora>();
        window->resize(800, 600);
    }
    ~Game() { setMessageHook({}); }

    void type(const QString &keys) { QTest::keyClicks(window.get(), keys); }
    QPoint slot(int i) const { return window->Huruf[i]->pos(); }
    QImage picture(const QString &path) const { return loadPicture(path).convertToFormat(QImage::Format_RGB32); }
    QImage shown(int i) const { return window->Huruf[i]->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }

    test::ProgramFolderCopy folder;
    std::shared_ptr<test::FakeDisplay::Log> display;
    std::shared_ptr<test::EffectLog> effects;
    std::shared_ptr<QStringList> messages;
    std::unique_ptr<TFormLettora> window;
};

// The connected areas of the pixels `inside` accepts, counting only those of `minimum` pixels or more.
int countAreas(const QImage &image, const std::function<bool(QRgb)> &inside, bool diagonal, int minimum)
{
    const auto index = [&image](QPoint p) { return size_t(p.y()) * size_t(image.width()) + size_t(p.x()); };
    std::vector<bool> seen(size_t(image.width()) * size_t(image.height()));
    int areas = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (seen[index({x, y})] || !inside(image.pixel(x, y)))
                continue;
            seen[index({x, y})] = true;
            std::vector<QPoint> open{{x, y}};
            int size = 0;
            while (!open.empty()) {
                const QPoint p = open.back();
                open.pop_back();
                ++size;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QPoint n = p + QPoint(dx, dy);
                        if ((dx == 0 && dy == 0) || (!diagonal && dx != 0 && dy != 0) || !image.rect().contains(n)
                            || seen[index(n)] || !inside(image.pixel(n)))
                            continue;
                        seen[index(n)] = true;
                        open.push_back(n);
                    }
                }
            }
            if (size >= minimum)
                ++areas;
        }
    }
    return areas;
}

} // namespace

class TestGameWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void creation();
    void creationWithUpperCase();
    void missingBackground();
    void answerRowPositions_data();
    void answerRowPositions();
    void twentyOneLetters();
    void modifiersMakeNoDifference();
    void physicalLetterKeys_data();
    void physicalLetterKeys();
    void escapeAndClear();
    void enterReachesOK();
    void caseSwitch();
    void missingLetterPicture();
    void mouseOnKeyboard();
    void commandPictures();
    void scrollsToNewestLetter();
    void closeRestoresDisplay();
    void letterPicturesHaveNoInnerLines_data();
    void letterPicturesHaveNoInnerLines();
    void fitsTheScreen_data();
    void fitsTheScreen();
    void boxesAtTheFactor_data();
    void boxesAtTheFactor();
    void clicksAtScale_data();
    void clicksAtScale();
};

void TestGameWindow::creation()
{
    Game g;
    TFormLettora &w = *g.window;
    QVERIFY(g.messages->isEmpty());
    // Settings created with their defaults, in this order, byte for byte.
    QCOMPARE(g.folder.bytes(QStringLiteral("Data/Timer.dat")), QByteArray::fromHex("0A000000"));
    QCOMPARE(g.folder.bytes(QStringLiteral("Data/Random.dat")), QByteArray::fromHex("00000000"));
    QCOMPARE(g.folder.bytes(QStringLiteral("Data/Font.dat")), QByteArray::fromHex("00000000"));
    QVERIFY(!w.UpperCaseMode);
    QVERIFY(!w.RandomMode);
    QVERIFY(!w.GameStarted);
    QCOMPARE(w.Lives, 3);
    QCOMPARE(w.row.NextLetterLeft, 3);
    QCOMPARE(w.TimerShow->interval(), 10000);
    QVERIFY(!w.TimerShow->isEnabled());
    QVERIFY(!w.TimerMusic->isEnabled());
    QCOMPARE(w.TimerMusic->interval(), 2000);
    // The saved size is the screen before the switch; the switch asks for 800 x 600.
    QCOMPARE(w.SavedScreenWidth, 1280);
    QCOMPARE(w.SavedScreenHeight, 800);
    QCOMPARE(g.display->requests, std::vector<QSize>{QSize(800, 600)});

    // The lower-case keyboard, corrected.
    QCOMPARE(w.letterImage('A')->pos(), QPoint(48, 453));
    QCOMPARE(w.letterImage('C')->pos(), QPoint(143, 453));
    QCOMPARE(w.letterImage('G')->pos(), QPoint(317, 453));
    QCOMPARE(w.letterImage('J')->pos(), QPoint(439, 435));
    QCOMPARE(w.letterImage('M')->pos(), QPoint(565, 453));
    QCOMPARE(w.letterImage('O')->pos(), QPoint(95, 504));
    QCOMPARE(w.letterImage('P')->pos(), QPoint(142, 504));
    QCOMPARE(w.letterImage('Q')->pos(), QPoint(187, 504));
    QCOMPARE(w.letterImage('B')->pos(), QPoint(96, 440));
    QCOMPARE(w.letterImage('Z')->pos(), QPoint(592, 504));
    QCOMPARE(w.letterImage('K')->size(), g.picture(QStringLiteral("./Font/Lower/K.bmp")).size());

    // Commands, life icons and pictures at their places.
    QCOMPARE(w.BtnStart->pos(), QPoint(656, 48));
    QCOMPARE(w.BtnReset->pos(), QPoint(656, 136));
    QCOMPARE(w.BtnOption->pos(), QPoint(656, 224));
    QCOMPARE(w.BtnExit->pos(), QPoint(656, 304));
    QCOMPARE(w.BtnOK->pos(), QPoint(672, 432));
    QCOMPARE(w.BtnClear->pos(), QPoint(672, 512));
    QCOMPARE(w.BtnClear->size(), g.picture(QStringLiteral("./Image/BtnClear.bmp")).size());
    QCOMPARE(w.Nyawa[1]->pos(), QPoint(432, 56));
    QCOMPARE(w.Nyawa[3]->pos(), QPoint(544, 56));
    QCOMPARE(w.ImageShow->geometry(), QRect(64, 40, 220, 220));
    QVERIFY(!w.ImageMenang->isVisibleTo(&w));
    QCOMPARE(w.Panel1->geometry(), QRect(48, 288, 561, 97));
    QCOMPARE(w.ScrollBox1->geometry(), QRect(8, 8, 545, 81));
    for (int i = 1; i <= 20; ++i)
        QCOMPARE(g.slot(i), QPoint(3 + 16 * (i - 1), 3));
    QCOMPARE(w.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);

    // On a screen that stays larger, the playing surface sits in the middle.
    w.show();
    w.resize(1024, 768);
    QCOMPARE(w.Stage->geometry(), QRect(112, 84, 800, 600));
    QCOMPARE(w.Background->size(), QSize(800, 600));
    w.resize(800, 600);
    QCOMPARE(w.Stage->pos(), QPoint(0, 0));
}

void TestGameWindow::creationWithUpperCase()
{
    Game g(QByteArray::fromHex("0100000000"));  // 5 bytes: the first 4 count, the file stays
    QVERIFY(g.window->UpperCaseMode);
    QCOMPARE(g.folder.bytes(QStringLiteral("Data/Font.dat")), QByteArray::fromHex("0100000000"));
    QCOMPARE(g.window->letterImage('Q')->pos(), QPoint(184, 504));
    QCOMPARE(g.window->letterImage('C')->pos(), QPoint(136, 440));
    QCOMPARE(g.window->letterImage('J')->pos(), QPoint(432, 440));
    QCOMPARE(g.window->letterImage('K')->size(), g.picture(QStringLiteral("./Font/Upper/K.bmp")).size());
}

void TestGameWindow::missingBackground()
{
    Game g(QByteArray(), {QStringLiteral("Image/border.bmp")});
    QCOMPARE(*g.messages, QStringList(QStringLiteral("%1|Cannot open file \"%2\". No such file or directory.")
                                          .arg(currentApplicationTitle(), g.folder.file(QStringLiteral("Image/border.bmp")))));
    // The rest of the creation was skipped, the window still exists.
    QVERIFY(g.display->requests.empty());
    QCOMPARE(g.window->Lives, 0);
    QCOMPARE(g.window->row.NextLetterLeft, 0);
    QCOMPARE(g.window->TimerShow->interval(), 3000);
    QCOMPARE(g.folder.bytes(QStringLiteral("Data/Timer.dat")), QByteArray("<missing>"));
    QVERIFY(!g.window->letterImage('A')->hasPicture());
    // Closing asks for the saved size, which the screen already has.
    g.window->close();
    QCOMPARE(g.display->requests, std::vector<QSize>{QSize(1280, 800)});
}

void TestGameWindow::answerRowPositions_data()
{
    QTest::addColumn<QByteArray>("fontSetting");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("tops");
    const QByteArray lower = QByteArray::fromHex("00000000"), upper = QByteArray::fromHex("01000000");
    QTest::newRow("jam, lower") << lower << "jam" << QList<int>{1, 18, 18};
    QTest::newRow("jam, upper") << upper << "jam" << QList<int>{3, 3, 3};
    QTest::newRow("cat, lower") << lower << "cat" << QList<int>{18, 18, 18};
    QTest::newRow("ascenders, lower") << lower << "bdfhikl" << QList<int>{3, 3, 3, 3, 3, 3, 3};
    QTest::newRow("the rest, lower") << lower << "gnopqrstuvwxyz"
                                     << QList<int>{18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};
    QTest::newRow("ca, upper") << upper << "ca" << QList<int>{3, 3};
}

void TestGameWindow::answerRowPositions()
{
    QFETCH(QByteArray, fontSetting);
    QFETCH(QString, keys);
    QFETCH(QList<int>, tops);
    Game g(fontSetting);
    const QString set = g.window->UpperCaseMode ? QStringLiteral("Upper") : QStringLiteral("Lower");
    g.type(keys);
    int left = 3;
    for (int i = 0; i < keys.size(); ++i) {
        const char letter = keys.at(i).toUpper().toLatin1();
        QCOMPARE(g.slot(i + 1), QPoint(left, tops.at(i)));
        QCOMPARE(g.window->row.LetterCodes[i + 1], letter);
        QVERIFY(g.window->row.isFilled(i + 1));
        QCOMPARE(g.shown(i + 1), g.picture(QStringLiteral("./font/%1/%2.bmp").arg(set).arg(QLatin1Char(letter))));
        QCOMPARE(g.window->Huruf[i + 1]->size(), g.window->letterImage(letter)->size());
        left += g.window->letterImage(letter)->width();  // letters touch without a gap
    }
    QCOMPARE(g.window->row.NextLetterLeft, left);
    QCOMPARE(g.window->row.typedWord(), keys.toUpper());
    QCOMPARE(g.effects->played, QStringList(keys.size(), QStringLiteral("./Sound/Click.wav")));
    QVERIFY(!g.window->Huruf[keys.size() + 1]->hasPicture());
}

void TestGameWindow::twentyOneLetters()
{
    Game g;
    g.type(QStringLiteral("abcdefghijklmnopqrstu"));
    for (int i = 1; i <= 20; ++i)
        QVERIFY(g.window->row.isFilled(i));
    QCOMPARE(g.window->FindFreeSlot(), 21);
    QCOMPARE(g.window->row.typedWord(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(g.effects->played.size(), 20);  // the 21st letter is silent
    QCOMPARE(g.window->row.LetterCodes[20], 'T');
    const int left = g.window->row.NextLetterLeft;
    g.type(QStringLiteral("u"));
    QCOMPARE(g.window->row.NextLetterLeft, left);
}

void TestGameWindow::modifiersMakeNoDifference()
{
    Game g;
    QTest::keyClick(g.window.get(), Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(g.window.get(), Qt::Key_A, Qt::NoModifier);
    // Caps Lock on: the key arrives with an upper-case text.
    QKeyEvent capsA(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
    QApplication::sendEvent(g.window.get(), &capsA);
    QTest::keyClick(g.window.get(), Qt::Key_A, Qt::ControlModifier);
    // Auto-repeat counts.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QApplication::sendEvent(g.window.get(), &repeat);
    QCOMPARE(g.window->row.typedWord(), QStringLiteral("AAAAA"));
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(g.slot(i).y(), 18);
        QCOMPARE(g.shown(i), g.shown(1));
    }
    // Keys that are no letter do nothing.
    for (int key : {Qt::Key_1, Qt::Key_Space, Qt::Key_F1, Qt::Key_Shift, Qt::Key_Agrave})
        QTest::keyClick(g.window.get(), Qt::Key(key));
    QCOMPARE(g.window->row.typedWord(), QStringLiteral("AAAAA"));
}

void TestGameWindow::physicalLetterKeys_data()
{
    // Key presses as X11 and Wayland deliver them: the X key code (evdev + 8) and the layout's key,
    // which for a letter outside Latin is its upper-case Unicode code point.
    const int es = 0x0421, ef = 0x0424, ya = 0x042F, zhe = 0x0416, alpha = 0x0391, alef = 0x05D0, tehMarbuta = 0x0629;
    QTest::addColumn<QList<int>>("scanCodes");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("word");  // after "O" typed first
    const int none = Qt::NoModifier;
    QTest::newRow("Russian C, A, T") << QList<int>{54, 38, 28} << es << none << "OCAT";
    QTest::newRow("Russian, top and middle rows")
        << QList<int>{24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 38, 39, 40, 41, 42, 43, 44, 45, 46}
        << ef << none << "OQWERTYUIOPASDFGHJKL";
    QTest::newRow("Russian, bottom row") << QList<int>{52, 53, 54, 55, 56, 57, 58} << ya
                                         << none << "OZXCVBNM";
    QTest::newRow("Russian, Shift") << QList<int>{54} << es << int(Qt::ShiftModifier)
                                    << "OC";
    QTest::newRow("Greek") << QList<int>{38} << alpha << none << "OA";
    QTest::newRow("Hebrew, auto-repeat of the layout's own key") << QList<int>{28, 28} << alef << none << "OTT";
    QTest::newRow("Arabic") << QList<int>{58} << tehMarbuta << none << "OM";
    QTest::newRow("AltGr") << QList<int>{54} << int(Qt::Key_copyright) << int(Qt::GroupSwitchModifier) << "OC";
    QTest::newRow("AZERTY: the key at Q types Q") << QList<int>{24} << int(Qt::Key_A) << none << "OQ";
    QTest::newRow("AZERTY: M beside L, no letter key, keeps its letter") << QList<int>{47} << int(Qt::Key_M)
                                                                          << none << "OM";
    QTest::newRow("Russian letter on no letter key") << QList<int>{47} << zhe << none << "O";
    QTest::newRow("no scan code") << QList<int>{0} << int(Qt::Key_C) << none << "OC";
    QTest::newRow("Enter") << QList<int>{36} << int(Qt::Key_Return) << none << "";
    QTest::newRow("keypad Enter") << QList<int>{104} << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "";
    QTest::newRow("Escape") << QList<int>{9} << int(Qt::Key_Escape) << none << "";
}

void TestGameWindow::physicalLetterKeys()
{
    QFETCH(QList<int>, scanCodes);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, word);
    Game g;
    g.type(QStringLiteral("o"));
    for (int i = 0; i < scanCodes.size(); ++i) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), quint32(scanCodes[i]), 0, 0,
                        QString(), i > 0 && scanCodes[i] == scanCodes[i - 1]);
        QApplication::sendEvent(g.window.get(), &press);
    }
    QCOMPARE(g.window->row.typedWord(), word);
    if (!word.isEmpty())
        QCOMPARE(g.shown(word.size()), g.picture(QStringLiteral("./Font/Lower/%1.bmp").arg(word.back())));
}

void TestGameWindow::escapeAndClear()
{
    Game g;
    g.type(QStringLiteral("dog"));
    QTest::keyClick(g.window.get(), Qt::Key_Escape);
    for (int i = 1; i <= 20; ++i) {
        QVERIFY(!g.window->Huruf[i]->hasPicture());
        QCOMPARE(g.slot(i), QPoint(3 + 16 * (i - 1), 3));
        QVERIFY(!g.window->row.isFilled(i));
    }
    QCOMPARE(g.window->row.NextLetterLeft, 3);
    QCOMPARE(g.window->row.typedWord(), QString());
    // The letters stay stored; only the flags were cleared.
    QCOMPARE(g.window->row.LetterCodes[1], 'D');
    QCOMPARE(g.effects->played.last(), QStringLiteral("./Sound/Clear.wav"));

    // The Clear picture does the same; the next letter goes into slot 1 again.
    g.type(QStringLiteral("c"));
    QTest::mouseClick(g.window->BtnClear, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!g.window->row.isFilled(1));
    g.type(QStringLiteral("x"));
    QCOMPARE(g.slot(1), QPoint(3, 18));
    QCOMPARE(g.window->row.typedWord(), QStringLiteral("X"));
    QVERIFY(g.effects->played.count(QStringLiteral("./Sound/Clear.wav")) == 2);
}

void TestGameWindow::enterReachesOK()
{
    Game g;
    g.type(QStringLiteral("sun"));
    g.effects->played.clear();
    QTest::keyClick(g.window.get(), Qt::Key_Return);
    // Before Start, OK empties the row and sounds the button.
    QCOMPARE(g.window->row.typedWord(), QString());
    QVERIFY(!g.window->Huruf[1]->hasPicture());
    QCOMPARE(g.effects->played, QStringList{QStringLiteral("./Sound/Button.wav")});
    g.type(QStringLiteral("a"));
    QTest::keyClick(g.window.get(), Qt::Key_Enter);  // the keypad's Enter
    QCOMPARE(g.window->row.typedWord(), QString());
}

void TestGameWindow::caseSwitch()
{
    Game g;
    TFormLettora &w = *g.window;
    g.type(QStringLiteral("ab"));
    const QImage lowerA = g.shown(1);
    const int next = w.row.NextLetterLeft;

    w.LoadUpperCaseSet();
    w.UpperCaseMode = true;
    QCOMPARE(w.letterImage('Q')->pos(), QPoint(187, 504));  // moved by the lower-case set, never back
    QCOMPARE(w.letterImage('C')->pos(), QPoint(136, 440));
    QCOMPARE(w.letterImage('A')->size(), g.picture(QStringLiteral("./Font/Upper/A.bmp")).size());
    // Letters already in the row keep their case and place.
    QCOMPARE(g.shown(1), lowerA);
    QCOMPARE(g.slot(1), QPoint(3, 18));
    QCOMPARE(w.row.NextLetterLeft, next);

    g.type(QStringLiteral("c"));
    QCOMPARE(g.slot(3), QPoint(next, 3));
    QCOMPARE(g.shown(3), g.picture(QStringLiteral("./Font/Upper/C.bmp")));

    w.LoadLowerCaseSet();
    w.UpperCaseMode = false;
    QCOMPARE(w.letterImage('C')->pos(), QPoint(143, 453));
}

void TestGameWindow::missingLetterPicture()
{
    Game g(QByteArray(), {QStringLiteral("Font/Lower/B.bmp")});
    // The keyboard picture B failed at creation: one message, and the rest of the set was skipped.
    QCOMPARE(g.messages->size(), 1);
    QVERIFY(g.messages->first().contains(g.folder.file(QStringLiteral("Font/Lower/B.bmp"))));
    g.messages->clear();

    g.type(QStringLiteral("ab"));
    // "a" is placed; "b" fails: its letter is stored, its slot stays free, no sound.
    QCOMPARE(g.messages->size(), 1);
    QVERIFY(g.messages->first().contains(QStringLiteral("Cannot open file \"%1\"").arg(g.folder.file(QStringLiteral("Font/Lower/B.bmp")))));
    QVERIFY(g.window->row.isFilled(1));
    QVERIFY(!g.window->row.isFilled(2));
    QCOMPARE(g.window->row.LetterCodes[2], 'B');
    QCOMPARE(g.effects->played, QStringList{QStringLiteral("./Sound/Click.wav")});
    const int left = g.window->row.NextLetterLeft;
    g.type(QStringLiteral("c"));
    QCOMPARE(g.slot(2), QPoint(left, 18));  // the next letter takes the same slot
    QCOMPARE(g.window->row.typedWord(), QStringLiteral("AC"));
}

void TestGameWindow::mouseOnKeyboard()
{
    Game g;
    TFormLettora &w = *g.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.letterImage('B'), Qt::LeftButton, {}, QPoint(5, 20));
    // A double click, as the window system delivers it, enters one letter.
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, w.letterImage('E')->mapTo(&w, QPoint(5, 20)));
    QTest::mouseClick(w.letterImage('D'), Qt::RightButton, {}, QPoint(5, 20));  // no letter
    QTest::mousePress(w.letterImage('F'), Qt::LeftButton, {}, QPoint(5, 20));
    QTest::mouseRelease(w.letterImage('F'), Qt::LeftButton, {}, QPoint(-30, -30));  // released outside: no letter
    QCOMPARE(w.row.typedWord(), QStringLiteral("BE"));
    QCOMPARE(w.letterImage('B')->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(w.letterImage('B')->focusPolicy(), Qt::NoFocus);
}

void TestGameWindow::commandPictures()
{
    Game g;
    TFormLettora &w = *g.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage normal = g.picture(QStringLiteral("./Image/BtnOption.bmp"));
    const QImage pressed = g.picture(QStringLiteral("./Image/BtnOption2.bmp"));
    QCOMPARE(w.BtnOption->pixmap().toImage().convertToFormat(QImage::Format_RGB32), normal);
    QTest::mousePress(w.BtnOption, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(w.BtnOption->pixmap().toImage().convertToFormat(QImage::Format_RGB32), pressed);
    QCOMPARE(g.effects->played, QStringList{QStringLiteral("./Sound/Button.wav")});
    QTest::mouseRelease(w.BtnOption, Qt::LeftButton, {}, QPoint(500, 500));
    QCOMPARE(w.BtnOption->pixmap().toImage().convertToFormat(QImage::Format_RGB32), normal);
    QCOMPARE(w.BtnOption->pos(), QPoint(656, 224));
    // Keys never swap the pictures.
    QTest::keyClick(&w, Qt::Key_Return);
    QCOMPARE(w.BtnOK->pixmap().toImage().convertToFormat(QImage::Format_RGB32), g.picture(QStringLiteral("./Image/BtnOK.bmp")));
}

void TestGameWindow::scrollsToNewestLetter()
{
    Game g(QByteArray::fromHex("01000000"));
    TFormLettora &w = *g.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    g.type(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
    QVERIFY2(w.row.NextLetterLeft > w.ScrollBox1->width(), "twenty W must be wider than the box");
    QScrollBar *bar = w.ScrollBox1->horizontalScrollBar();
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->value() > 0);
    // The newest letter lies inside the visible part of the box.
    const QRect newest = w.Huruf[20]->geometry().translated(-bar->value(), 0);
    QVERIFY(QRect(QPoint(0, 0), w.ScrollBox1->viewport()->size()).contains(newest.topRight() - QPoint(1, 0)));

    // The bar: 2 pixels, a grey handle without arrow buttons, at the very end when scrolled there,
    // blue under the pointer; drawn without the style-sheet engine, which would cost 0.4 MB at start.
    QVERIFY(!bar->style()->inherits("QStyleSheetStyle"));
    QCOMPARE(bar->height(), 2);
    const auto handle = [bar](QRgb colour) {
        const QImage look = bar->grab().toImage();
        int from = look.width();
        for (int x = look.width() - 1; x >= 0 && look.pixel(x, 1) == colour; --x)
            from = x;
        return std::pair(from, look.pixel(0, 1));
    };
    bar->setValue(bar->maximum());
    const auto [left, groove] = handle(qRgb(0x9a, 0x9a, 0x9a));
    QVERIFY(left > 0 && left <= bar->width() - 24);
    QCOMPARE(groove, qRgb(0xd8, 0xd8, 0xd8));
    QTest::mouseMove(bar, QPoint(bar->width() - 2, 1));
    QTRY_COMPARE(handle(qRgb(0x3d, 0x7b, 0xe0)).first, left);

    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(bar->value(), 0);
}

void TestGameWindow::closeRestoresDisplay()
{
    Game g;
    g.window->show();
    g.window->BtnExitClick();
    QVERIFY(!g.window->isVisible());
    QCOMPARE(g.display->requests, (std::vector<QSize>{QSize(800, 600), QSize(1280, 800)}));
    QCOMPARE(g.effects->played, QStringList{QStringLiteral("./Sound/Button.wav")});
}

void TestGameWindow::letterPicturesHaveNoInnerLines_data()
{
    QTest::addColumn<QString>("file");
    for (const char *set : {"Upper", "Lower"}) {
        for (const LetterInfo &info : Letters) {
            const QString file = QStringLiteral("Font/%1/").arg(QLatin1String(set)) + letterFileName(info.letter);
            QTest::newRow(qPrintable(file)) << file;
        }
    }
}

void TestGameWindow::letterPicturesHaveNoInnerLines()
{
    // An outline stroked inside a letter, where the font's contours overlap, cuts the letter's
    // colour into pieces: each piece of ink (i and j have two) must hold one area of its colour.
    QFETCH(QString, file);
    const QImage image = QImage(QStringLiteral(LETTORA_PROGRAM_DIR "/") + file).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!image.isNull());
    const auto lightest = [](QRgb c) { return std::min({qRed(c), qGreen(c), qBlue(c)}); };
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (lightest(image.pixel(x, y)) < 128)
                ++counts[image.pixel(x, y)];
    // The letter's colour and its darker outline are the two commonest; thin letters have more outline.
    std::vector<std::pair<int, QRgb>> common;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        common.emplace_back(it.value(), it.key());
    QVERIFY(common.size() >= 2);
    std::partial_sort(common.begin(), common.begin() + 2, common.end(), std::greater<>());
    const auto sum = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
    const QRgb fill = sum(common[0].second) > sum(common[1].second) ? common[0].second : common[1].second;
    const auto isFill = [fill](QRgb c) {
        const int r = qRed(c) - qRed(fill), g = qGreen(c) - qGreen(fill), b = qBlue(c) - qBlue(fill);
        return r * r + g * g + b * b < 30 * 30;
    };
    const auto isInk = [&lightest](QRgb c) { return lightest(c) < 250; };
    // Specks of fewer than 5 pixels are the edge's antialiasing, not areas.
    QCOMPARE(countAreas(image, isFill, false, 5), countAreas(image, isInk, true, 1));
}

using test::FakeScaler;

void TestGameWindow::fitsTheScreen_data()
{
    QTest::addColumn<bool>("changeScreen");
    QTest::addColumn<bool>("switches");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<qreal>("desktopScale");  // the factor the desktop itself draws windows at
    QTest::addColumn<QList<qreal>>("factors");
    QTest::addColumn<std::vector<QSize>>("requests");  // at creation, then at close
    const QSize game(800, 600);
    // Fitted to the screen as it stands before the switch (for a box the creation may raise), then to the switch.
    QTest::newRow("switched") << true << true << QSize(1920, 1080) << 1.0 << QList<qreal>{1.8, 1.0}
                              << std::vector<QSize>{game, QSize(1920, 1080)};
    QTest::newRow("refused, 1280 x 720") << true << false << QSize(1280, 720) << 1.0 << QList<qreal>{1.2}
                                         << std::vector<QSize>{game, QSize(1280, 720)};
    QTest::newRow("refused, 1920 x 1080") << true << false << QSize(1920, 1080) << 1.0 << QList<qreal>{1.8}
                                          << std::vector<QSize>{game, QSize(1920, 1080)};
    QTest::newRow("refused, 3840 x 2160") << true << false << QSize(3840, 2160) << 1.0 << QList<qreal>{3.6}
                                          << std::vector<QSize>{game, QSize(3840, 2160)};
    QTest::newRow("refused, 1280 x 1024: the width decides") << true << false << QSize(1280, 1024) << 1.0
                                                             << QList<qreal>{1.6}
                                                             << std::vector<QSize>{game, QSize(1280, 1024)};
    QTest::newRow("refused, 640 x 480: smaller") << true << false << QSize(640, 480) << 1.0 << QList<qreal>{0.8}
                                                 << std::vector<QSize>{game, QSize(640, 480)};
    QTest::newRow("refused, already 800 x 600") << true << false << game << 1.0 << QList<qreal>{}
                                                << std::vector<QSize>{game, game};
    QTest::newRow("turned off") << false << true << QSize(1920, 1080) << 1.0 << QList<qreal>{1.8}
                                << std::vector<QSize>{};
    QTest::newRow("turned off, 800 x 600") << false << true << game << 1.0 << QList<qreal>{} << std::vector<QSize>{};
    // 800 x 600 on a high-density desktop would show a quarter of the game: it is never switched.
    QTest::newRow("a desktop drawn at 2") << true << true << QSize(1600, 1200) << 2.0 << QList<qreal>{}
                                          << std::vector<QSize>{};
    QTest::newRow("a desktop drawn at 2, 3840 x 2160") << true << true << QSize(3840, 2160) << 2.0
                                                       << QList<qreal>{3.6} << std::vector<QSize>{};
}

// The display switch is asked for only where the parents want it; wherever the screen is not at
// 800 x 600 afterwards, the program is drawn at the factor that fits it. Closing puts back only
// what was asked for.
void TestGameWindow::fitsTheScreen()
{
    QFETCH(bool, changeScreen);
    QFETCH(bool, switches);
    QFETCH(QSize, screen);
    QFETCH(qreal, desktopScale);
    QFETCH(QList<qreal>, factors);
    QFETCH(std::vector<QSize>, requests);
    ParentSettings settings;
    settings.changeScreen = changeScreen;
    ParentSettingsStore::instance().apply(settings);
    auto scaler = std::make_unique<FakeScaler>();
    FakeScaler &fake = *scaler;
    fake.screen = screen;
    fake.current = desktopScale;
    setScreenScaler(std::move(scaler));
    const auto restore = qScopeGuard([] {
        ParentSettingsStore::instance().apply(ParentSettings());
        setScreenScaler(nullptr);
        setMessageHook({});
    });
    test::ProgramFolderCopy folder;
    auto display = test::installFakeDisplay();
    display->screen = screen;
    display->switches = switches;
    test::installEffectRecorder();
    const auto messages = test::installMessageRecorder();
    TFormLettora window;
    QVERIFY(messages->isEmpty());
    QCOMPARE(fake.set.size(), factors.size());
    for (int i = 0; i < factors.size(); ++i)
        QVERIFY2(qFuzzyCompare(fake.set.at(i), factors.at(i)), qPrintable(QString::number(fake.set.at(i))));
    window.close();
    QCOMPARE(display->requests, requests);
}

void TestGameWindow::boxesAtTheFactor_data()
{
    QTest::addColumn<QString>("fault");        // what the creation finds
    QTest::addColumn<bool>("changeScreen");   // the parents' "Change the screen to 800 x 600"
    QTest::addColumn<QString>("message");
    const QString art = QStringLiteral("Cannot open file \"%1/Image/border.bmp\". No such file or directory.");
    const QString settings = QStringLiteral("Cannot create file \"%1/Data/Timer.dat\". ");
    QTest::newRow("a missing art file") << "art" << false << art;
    QTest::newRow("a missing art file, the switch not made yet") << "art" << true << art;
    QTest::newRow("a settings file that cannot be written") << "settings" << false << settings;
    QTest::newRow("a settings file that cannot be written, the switch not made yet") << "settings" << true << settings;
}

// A box raised while the game window is made is drawn at the factor of the screen it shows on.
void TestGameWindow::boxesAtTheFactor()
{
    QFETCH(QString, fault);
    QFETCH(bool, changeScreen);
    QFETCH(QString, message);
    ParentSettings settings;
    settings.changeScreen = changeScreen;
    ParentSettingsStore::instance().apply(settings);
    auto scaler = std::make_unique<FakeScaler>();
    FakeScaler &fake = *scaler;
    fake.screen = QSize(1920, 1080);
    setScreenScaler(std::move(scaler));
    QList<qreal> seen;
    QStringList messages;
    setMessageHook([&](const QString &caption, const QString &text) {
        seen << fake.current;
        messages << caption + QLatin1Char('|') + text;
    });
    const auto restore = qScopeGuard([] {
        ParentSettingsStore::instance().apply(ParentSettings());
        setScreenScaler(nullptr);
        setMessageHook({});
    });
    test::ProgramFolderCopy folder;
    auto display = test::installFakeDisplay();
    display->screen = fake.screen;
    test::installEffectRecorder();
    if (fault == QLatin1String("art"))
        folder.remove(QStringLiteral("Image/border.bmp"));
    else
        QVERIFY(QDir().mkpath(folder.file(QStringLiteral("Data/Timer.dat"))));
    TFormLettora window;
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(currentApplicationTitle() + QLatin1Char('|') + message.arg(folder.root())),
             qPrintable(messages[0]));
    QVERIFY2(qFuzzyCompare(seen[0], 1.8), qPrintable(QString::number(seen[0])));
    QVERIFY(display->requests.empty());  // the creation stopped short of the switch
}

void TestGameWindow::clicksAtScale_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::newRow("1280 x 720") << QSize(1280, 720);
    QTest::newRow("1920 x 1080") << QSize(1920, 1080);
    QTest::newRow("3840 x 2160") << QSize(3840, 2160);
    QTest::newRow("1280 x 1024") << QSize(1280, 1024);
}

// Drawn at the factor of a larger screen, the playing surface fills its height or width in the
// middle of the window, and a press at the screen pixel where a letter, a command or an answer
// slot is drawn reaches that control.
void TestGameWindow::clicksAtScale()
{
    QFETCH(QSize, screen);
    const qreal factor = designScale(screen, false);
    Game g;
    TFormLettora &w = *g.window;
    // What the window's creation does where the display stays larger.
    screenScaler().setFactor(factor);
    const auto restore = qScopeGuard([] { screenScaler().setFactor(1.0); });
    w.resize(qRound(screen.width() / factor), qRound(screen.height() / factor));
    for (const QString &copy : {QStringLiteral("Image/border@2x.bmp"), QStringLiteral("Image/border@3x.bmp"),
                                QStringLiteral("Image/border@4x.png"), QStringLiteral("Font/Upper/K@2x.bmp"),
                                QStringLiteral("Font/Upper/K@3x.bmp"), QStringLiteral("Font/Upper/K@4x.png"),
                                QStringLiteral("Font/Lower/K@2x.bmp"), QStringLiteral("Font/Lower/K@3x.bmp"),
                                QStringLiteral("Font/Lower/K@4x.png")}) {
        QFile delivered(QStringLiteral(LETTORA_PROGRAM_DIR "/") + copy);
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        g.folder.write(copy, delivered.readAll());
    }
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The picture controls choose their pictures by it (it is kept to 1/65536).
    QVERIFY2(qAbs(w.ImageShow->devicePixelRatioF() - factor) < 0.001, qPrintable(QString::number(w.devicePixelRatioF())));
    // The background and a letter, scaled from their larger copies on a worker thread, are drawn
    // from those copies.
    const qreal ratio = w.Background->devicePixelRatioF();
    auto drawnFrom = [ratio](QWidget *control, const QString &art) {
        QImage drawn = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        drawn.setDevicePixelRatio(1);
        const QImage sharp = loadArtForRatio(art, ratio, (QSizeF(loadPicture(art).size()) * ratio).toSize());
        return !sharp.isNull() && drawn == sharp.convertToFormat(QImage::Format_RGB32).copy(QRect(QPoint(0, 0), drawn.size()));
    };
    QTRY_VERIFY(drawnFrom(w.Background, QLatin1String(paths::Border)));
    QWidget *k = w.letterImage('K');
    QTRY_VERIFY(drawnFrom(k, QLatin1String(paths::KeyboardUpperFolder) + QLatin1String("K.bmp"))
                || drawnFrom(k, QLatin1String(paths::KeyboardLowerFolder) + QLatin1String("K.bmp")));
    // A full row: an empty slot waits, invisible, at its home place over the letters before it.
    const QString typed = QStringLiteral("abcdefghijklmnopqrst");
    g.type(typed);

    // The surface's top-left corner in screen pixels: centred, filling one side.
    const QPointF origin((screen.width() - 800 * factor) / 2, (screen.height() - 600 * factor) / 2);
    struct PressSpy : QObject
    {
        QWidget *pressed = nullptr;
        bool eventFilter(QObject *object, QEvent *event) override
        {
            if (event->type() == QEvent::MouseButtonPress && !pressed)
                pressed = qobject_cast<QWidget *>(object);
            return false;
        }
    } spy;
    std::vector<std::pair<QWidget *, QString>> controls;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        controls.emplace_back(w.letterImage(letter), QString(QLatin1Char(letter)));
    for (auto *button : {w.BtnStart, w.BtnReset, w.BtnOption, w.BtnExit, w.BtnOK, w.BtnClear, w.BtnSpeaker})
        controls.emplace_back(button, button->objectName());
    QWidget *view = w.ScrollBox1->viewport();
    for (int slot = 1; slot <= AnswerRow::Slots; ++slot) {
        // The slots that the row shows, scrolled to its newest letter.
        if (view->rect().contains(w.Huruf[slot]->mapTo(view, w.Huruf[slot]->rect().center())))
            controls.emplace_back(w.Huruf[slot], w.Huruf[slot]->objectName());
    }
    QVERIFY(controls.size() > 26 + 7 + 5);
    QWindow *window = w.windowHandle();
    qApp->installEventFilter(&spy);
    const auto stopSpying = qScopeGuard([&spy] { qApp->removeEventFilter(&spy); });
    for (const auto &[control, name] : controls) {
        // The control's middle on the 800 x 600 design, then in screen pixels.
        const QPointF design = control->mapTo(w.Stage, QPointF(control->width() / 2.0, control->height() / 2.0));
        const QPointF device = origin + design * factor;
        spy.pressed = nullptr;
        QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::SynchronousDelivery>(
            window, device, device, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
        // Released away from every control: nothing is clicked.
        QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::SynchronousDelivery>(
            window, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
        QVERIFY2(spy.pressed == control,
                 qPrintable(QStringLiteral("%1 at %2, %3 missed: %4")
                                .arg(name)
                                .arg(device.x())
                                .arg(device.y())
                                .arg(spy.pressed ? spy.pressed->objectName() : QStringLiteral("nothing"))));
    }
    QCOMPARE(w.row.typedWord(), typed.toUpper());
}

QTEST_MAIN(TestGameWindow)
#include "tst_gamewindow.moc"
