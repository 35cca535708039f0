#include "WindowFixtures.h"

#include "shell/core/AssetPaths.h"
#include "shell/ErrorReport.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace lettora;

namespace {

struct Buttons : test::Windows
{
    Buttons()
    {
        dialog->hide();
        game->show();
        QVERIFY(QTest::qWaitForWindowExposed(game.get()));
        effects->played.clear();
    }
    PictureControl *button(const QString &name) const { return game->findChild<PictureControl *>(name); }
    QImage shown(PictureControl *c) const { return c->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage file(const QString &path) const { return loadPicture(path).convertToFormat(QImage::Format_RGB32); }
    QPoint inWindow(PictureControl *c, QPoint p) const { return c->mapTo(game.get(), p); }
};

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void swaps_data();
    void swaps();
    void leftDraggedOff();
    void doubleClickIsOneClick();
    void pressedPictureOfAnotherSize();
    void optionSoundsAndStaysPressed();
    void keysNeverSwap();
};

void TestButtons::swaps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QPoint>("place");
    QTest::newRow("Start") << "BtnStart" << paths::BtnStart << paths::BtnStart2 << QPoint(656, 48);
    QTest::newRow("Reset") << "BtnReset" << paths::BtnReset << paths::BtnReset2 << QPoint(656, 136);
    QTest::newRow("Option") << "BtnOption" << paths::BtnOption << paths::BtnOption2 << QPoint(656, 224);
    QTest::newRow("Exit") << "BtnExit" << paths::BtnExit << paths::BtnExit2 << QPoint(656, 304);
    QTest::newRow("OK") << "BtnOK" << paths::BtnOK << paths::BtnOK2 << QPoint(672, 432);
    QTest::newRow("Clear") << "BtnClear" << paths::BtnClear << paths::BtnClear2 << QPoint(672, 512);
    QTest::newRow("Speaker") << "BtnSpeaker" << paths::BtnSpeaker << paths::BtnSpeaker2 << QPoint(310, 70);
}

void TestButtons::swaps()
{
    QFETCH(QString, name);
    QFETCH(QString, normal);
    QFETCH(QString, pressed);
    QFETCH(QPoint, place);
    Buttons b;
    PictureControl *button = b.button(name);
    QVERIFY(button);
    QCOMPARE(button->pos(), place);
    QCOMPARE(b.shown(button), b.file(normal));
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    const bool option = name == QLatin1String("BtnOption");
    for (Qt::MouseButton mouse : {Qt::RightButton, Qt::MiddleButton}) {
        // Right and middle buttons swap the pictures and never run the command.
        QTest::mousePress(button, mouse, {}, QPoint(10, 10));
        QCOMPARE(b.shown(button), b.file(pressed));
        QTest::mouseRelease(button, mouse, {}, QPoint(10, 10));
        QCOMPARE(b.shown(button), b.file(normal));
        // Their release outside the picture does not reach it: the pressed picture stays.
        QTest::mousePress(button, mouse, {}, QPoint(10, 10));
        QTest::mouseRelease(button, mouse, {}, QPoint(-50, -50));
        QCOMPARE(b.shown(button), b.file(pressed));
        QTest::mouseRelease(button, mouse, {}, QPoint(10, 10));
        QCOMPARE(b.shown(button), b.file(normal));
    }
    QVERIFY(b.game->isVisible());
    QVERIFY(!b.dialog->isVisible());
    QVERIFY(b.messages->isEmpty());
    QCOMPARE(b.effects->played, option ? QStringList(4, QStringLiteral("./Sound/Button.wav")) : QStringList());
    QCOMPARE(button->pos(), place);
}

void TestButtons::leftDraggedOff()
{
    Buttons b;
    PictureControl *start = b.button(QStringLiteral("BtnStart"));
    QTest::mousePress(start, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(b.shown(start), b.file(QLatin1String(paths::BtnStart2)));
    QTest::mouseRelease(start, Qt::LeftButton, {}, QPoint(300, 10));  // the left release always reaches it
    QCOMPARE(b.shown(start), b.file(QLatin1String(paths::BtnStart)));
    QVERIFY(b.messages->isEmpty());  // no Start: it would have said the picture list is empty
    QVERIFY(!b.game->GameStarted);
}

void TestButtons::doubleClickIsOneClick()
{
    Buttons b;
    PictureControl *clear = b.button(QStringLiteral("BtnClear"));
    QTest::mouseDClick(b.game->windowHandle(), Qt::LeftButton, {}, b.inWindow(clear, QPoint(10, 10)));
    QCOMPARE(b.effects->played, QStringList{QStringLiteral("./Sound/Clear.wav")});
    QCOMPARE(b.shown(clear), b.file(QLatin1String(paths::BtnClear)));
}

void TestButtons::pressedPictureOfAnotherSize()
{
    Buttons b;
    QImage big(130, 90, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    QVERIFY(big.save(b.folder.file(QStringLiteral("Image/BtnStart2.bmp")), "bmp"));
    PictureControl *start = b.button(QStringLiteral("BtnStart"));
    const QSize normal = start->size();
    QTest::mousePress(start, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(start->geometry(), QRect(QPoint(656, 48), QSize(130, 90)));
    QTest::mouseRelease(start, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(start->geometry(), QRect(QPoint(656, 48), normal));
}

void TestButtons::optionSoundsAndStaysPressed()
{
    Buttons b;
    PictureControl *option = b.button(QStringLiteral("BtnOption"));
    QImage during;
    QStringList soundsDuring;
    QTimer::singleShot(0, [&] {
        if (QApplication::activeModalWidget() == b.dialog.get()) {
            during = b.shown(option);
            soundsDuring = b.effects->played;
        }
        b.dialog->TombolCancelClick();
    });
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(during, b.file(QLatin1String(paths::BtnOption2)));  // pressed while the dialog is open
    QCOMPARE(soundsDuring, QStringList{QStringLiteral("./Sound/Button.wav")});  // on the press
    QCOMPARE(b.shown(option), b.file(QLatin1String(paths::BtnOption)));
    QCOMPARE(b.effects->played.size(), 1);  // nothing on release or click
}

void TestButtons::keysNeverSwap()
{
    Buttons b;
    const QImage ok = b.shown(b.button(QStringLiteral("BtnOK")));
    QTest::keyClick(b.game.get(), Qt::Key_Return);
    QTest::keyClick(b.game.get(), Qt::Key_Escape);
    QCOMPARE(b.shown(b.button(QStringLiteral("BtnOK"))), ok);
    QCOMPARE(b.effects->played, (QStringList{QStringLiteral("./Sound/Button.wav"), QStringLiteral("./Sound/Clear.wav")}));
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
