// The program's pictures on sharper screens: the copy chosen for a device pixel ratio, and the
// controls drawing from it. Runs under QT_SCALE_FACTOR=2 (tests/CMakeLists.txt).
#include "WindowFixtures.h"

#include "shell/EventTimer.h"
#include "shell/PackedPicture.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace lettora;

namespace {

QByteArray delivered(const QString &relative)
{
    QFile f(QStringLiteral(LETTORA_PROGRAM_DIR "/") + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Device pixels alone.
QImage rgb(const QImage &image)
{
    QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1);
    return pixels;
}

} // namespace

class TestArt : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decorationDrawnOnce();
    void deliveredSizes_data();
    void deliveredSizes();
    void copyNames_data();
    void copyNames();
    void copyForRatio_data();
    void copyForRatio();
    void drawnFromLargerCopy_data();
    void drawnFromLargerCopy();
    void packedDrawnLikeWhole_data();
    void packedDrawnLikeWhole();
};

// As delivered: the largest copy of a BMP picture is a PNG of four times its size, and a starter
// picture is drawn at twice the picture frame's 220 x 220, with no copy beside it.
void TestArt::deliveredSizes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addRow("background") << "Image/border.bmp" << QSize(800, 600);
    QTest::addRow("background, 4x") << "Image/border@4x.png" << QSize(3200, 2400);
    QTest::addRow("letter A, 4x") << "Font/Upper/A@4x.png" << QSize();  // four times its own
    QTest::addRow("Play, 4x JPEG") << "Image/BtnPlay@4x.jpg" << QSize(400, 200);
    QTest::addRow("first starter") << "Picture/cat.jpg" << QSize(440, 440);
    QTest::addRow("last starter") << "Picture/kite.jpg" << QSize(440, 440);
    QTest::addRow("no starter copy") << "Picture/cat@2x.jpg" << QSize(0, 0);  // none
}

void TestArt::deliveredSizes()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QString path = QStringLiteral(LETTORA_PROGRAM_DIR "/") + file;
    if (size == QSize(0, 0)) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    QImageReader reader(path);
    QVERIFY2(reader.canRead(), qPrintable(path));
    if (size.isValid()) {
        QCOMPARE(reader.size(), size);
        return;
    }
    // A letter: four times the height of its own picture.
    QImageReader own(QString(path).replace(QStringLiteral("@4x.png"), QStringLiteral(".bmp")));
    QCOMPARE(reader.size(), own.size() * 4);
}

void TestArt::copyNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<bool>("copyName");  // taken for a copy's name, as the test folders leave copies out
    QTest::addRow("1x: the picture") << "./Image/BtnStart.bmp" << 1 << "./Image/BtnStart.bmp" << false;
    QTest::addRow("2x BMP") << "./Image/BtnStart.bmp" << 2 << "./Image/BtnStart@2x.bmp" << true;
    QTest::addRow("3x BMP") << "./Image/BtnStart.bmp" << 3 << "./Image/BtnStart@3x.bmp" << true;
    QTest::addRow("4x BMP: a PNG") << "./Image/BtnStart.bmp" << 4 << "./Image/BtnStart@4x.png" << true;
    QTest::addRow("4x BMP in capitals") << "./font/upper/A.BMP" << 4 << "./font/upper/A@4x.png" << true;
    QTest::addRow("4x JPEG stays JPEG") << "./Image/BtnPlay.jpg" << 4 << "./Image/BtnPlay@4x.jpg" << true;
    QTest::addRow("4x PNG") << "./Image/Bin.png" << 4 << "./Image/Bin@4x.png" << true;
    QTest::addRow("no extension") << "./Image.d/Heart" << 4 << "./Image.d/Heart@4x" << false;
}

void TestArt::copyNames()
{
    QFETCH(QString, path);
    QFETCH(int, scale);
    QFETCH(QString, copy);
    QFETCH(bool, copyName);
    QCOMPARE(artVariantPath(path, scale), copy);
    QCOMPARE(isArtVariantName(copy), copyName);
}

void TestArt::copyForRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QString>("spoilt");  // a copy removed, broken or of another size
    QTest::addColumn<QColor>("colour");   // invalid: no copy, the 1x picture is drawn
    QTest::addRow("1") << 1.0 << QString() << QColor();
    QTest::addRow("1.25") << 1.25 << QString() << QColor(Qt::green);
    QTest::addRow("1.8") << 1.8 << QString() << QColor(Qt::green);
    QTest::addRow("2") << 2.0 << QString() << QColor(Qt::green);
    QTest::addRow("2.5") << 2.5 << QString() << QColor(Qt::blue);
    QTest::addRow("3") << 3.0 << QString() << QColor(Qt::blue);
    QTest::addRow("3.01") << 3.01 << QString() << QColor(Qt::yellow);
    QTest::addRow("3.6") << 3.6 << QString() << QColor(Qt::yellow);
    QTest::addRow("4") << 4.0 << QString() << QColor(Qt::yellow);
    QTest::addRow("5, the largest, enlarged") << 5.0 << QString() << QColor(Qt::yellow);
    QTest::addRow("1.8, @2x missing") << 1.8 << QStringLiteral("missing") << QColor();
    QTest::addRow("3, @3x broken") << 3.0 << QStringLiteral("broken") << QColor();
    QTest::addRow("3.6, @4x broken") << 3.6 << QStringLiteral("broken") << QColor();
    QTest::addRow("2, @2x of another size") << 2.0 << QStringLiteral("resized") << QColor();
}

void TestArt::copyForRatio()
{
    QFETCH(qreal, ratio);
    QFETCH(QString, spoilt);
    QFETCH(QColor, colour);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Image"));
    ProgramFolder::setRoot(dir.path());
    const auto picture = [&](const char *name, QSize size, QColor fill) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(fill);
        QVERIFY(image.save(dir.filePath(QLatin1String(name))));
    };
    picture("Image/Heart.bmp", QSize(10, 8), Qt::red);
    picture("Image/Heart@2x.bmp", spoilt == QLatin1String("resized") ? QSize(22, 16) : QSize(20, 16), Qt::green);
    picture("Image/Heart@3x.bmp", QSize(30, 24), Qt::blue);
    picture("Image/Heart@4x.png", QSize(40, 32), Qt::yellow);  // a BMP picture's largest copy is a PNG
    const QString copy = dir.filePath(QLatin1String(ratio < 2.01   ? "Image/Heart@2x.bmp"
                                                    : ratio < 3.01 ? "Image/Heart@3x.bmp"
                                                                   : "Image/Heart@4x.png"));
    if (spoilt == QLatin1String("missing"))
        QFile::remove(copy);
    if (spoilt == QLatin1String("broken")) {
        QFile f(copy);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("BM not a picture");
    }

    // The spelling of the game's paths: resolved without regard to case.
    const QSize device = (QSizeF(10, 8) * ratio).toSize();
    const QImage shown = loadArtForRatio(QStringLiteral("./image/heart.bmp"), ratio, device);
    QCOMPARE(shown.isNull(), !colour.isValid());
    if (colour.isValid()) {
        QCOMPARE(shown.size(), device);
        QCOMPARE(shown.pixelColor(device.width() / 2, device.height() / 2), colour);
    }
}

void TestArt::drawnFromLargerCopy_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected");  // the 2x copy the control shows, or the user's photo
    QTest::addRow("button") << "BtnStart" << "" << "Image/BtnStart@2x.bmp";
    QTest::addRow("pressed button") << "BtnStart" << "press" << "Image/BtnStart2@2x.bmp";
    QTest::addRow("heart") << "Nyawa1" << "" << "Image/Life@2x.bmp";
    QTest::addRow("keyboard letter") << "K" << "" << "Font/Lower/K@2x.bmp";
    QTest::addRow("answer letter") << "Huruf1" << "type g" << "Font/Lower/G@2x.bmp";
    QTest::addRow("game background") << "Background" << "" << "Image/border@2x.bmp";
    QTest::addRow("options background") << "Image1" << "" << "Image/OptionBack@2x.jpg";
    QTest::addRow("user's photo") << "ImageShow" << "start" << "photo";
}

void TestArt::drawnFromLargerCopy()
{
    QFETCH(QString, control);
    QFETCH(QString, action);
    QFETCH(QString, expected);
    QMap<QString, QByteArray> files;
    if (expected != QLatin1String("photo"))
        files.insert(expected, delivered(expected));
    QVERIFY(!files.value(expected, "x").isEmpty());
    test::Windows w(files);
    QCOMPARE(w.game->devicePixelRatioF(), 2.0);
    auto *shown = w.game->findChild<QLabel *>(control);
    if (!shown)
        shown = w.dialog->findChild<QLabel *>(control);
    QVERIFY(shown);

    QImage want;
    if (action == QLatin1String("press")) {
        QTest::mousePress(shown, Qt::LeftButton, {}, QPoint(10, 10));
    } else if (action == QLatin1String("type g")) {
        QTest::keyClick(w.game.get(), Qt::Key_G);
    } else if (action == QLatin1String("start")) {
        // A photo of fine stripes, larger than the frame: drawn from the file at 440 x 440.
        QImage photo(600, 600, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixelColor(x, y, (x / 2 + y / 3) % 2 ? QColor(0x20, 0x40, 0xC0) : QColor(0xF0, 0xE0, 0x30));
        const QString file = w.folder.file(QStringLiteral("Picture/stripes.png"));
        QVERIFY(photo.save(file));
        w.dialog->pictures.add({file});
        w.game->BtnStartClick();
        w.game->TimerShow->setEnabled(false);
        want = rgb(loadPictureFile(QFile::encodeName(file), QSize(440, 440)));
    }
    if (want.isNull())
        want = rgb(loadPicture(QLatin1String("./") + expected));
    const QImage grabbed = rgb(shown->grab().toImage());
    QCOMPARE(grabbed.size(), shown->size() * 2);
    // The control may show less than the whole picture (the background behind the frame's edge).
    QCOMPARE(grabbed, want.copy(QRect(QPoint(0, 0), grabbed.size())));

    // The program's picture lets its 1x copy go while the sharper one is drawn (a user's photo is
    // read from its file again when needed); drawn the same after.
    const bool art = expected != QLatin1String("photo");
    QTRY_COMPARE(shown->pixmap().isNull(), art);
    QCOMPARE(rgb(shown->grab().toImage()), grabbed);
}

// A decoration drawn once lets its copy go: drawn again, it is read again from its file.
void TestArt::decorationDrawnOnce()
{
    const QString copy = QStringLiteral("Image/Intro@2x.jpg");
    const QString other = QStringLiteral("Image/PanelHelp@2x.jpg");
    test::FolderWithFiles program({{copy, delivered(copy)}, {other, delivered(other)}}, {});
    QWidget window;
    PictureControl panel(&window, QStringLiteral("ImagePanel"), QRect(0, 0, 500, 374));
    panel.loadDecorationForOneDrawing(QStringLiteral("./Image/Intro.jpg"));
    const QImage first = rgb(panel.grab().toImage());
    QCOMPARE(first, rgb(loadPicture(QStringLiteral("./") + copy)));
    QTest::qWait(0);  // its 1x copy goes
    QCOMPARE(rgb(panel.grab().toImage()), first);
    QTest::qWait(0);  // then the copy drawn
    QVERIFY(panel.hasPicture());
    QVERIFY(QFile::remove(program.folder.file(copy)));
    QVERIFY(QFile::copy(program.folder.file(other), program.folder.file(copy)));
    QCOMPARE(rgb(panel.grab().toImage()), rgb(loadPicture(QStringLiteral("./") + other)));
}

void TestArt::packedDrawnLikeWhole_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("photo");  // noise: kept whole, as it would not pack
    QTest::addColumn<bool>("alpha");  // a letter's see-through edges
    QTest::addRow("1.28") << 1.28 << false << false;
    QTest::addRow("1.5") << 1.5 << false << false;
    QTest::addRow("2.75") << 2.75 << false << false;
    QTest::addRow("see-through at 1.28") << 1.28 << false << true;
    QTest::addRow("photo at 1.28") << 1.28 << true << false;
}

// Drawn whole or in part, at any ratio, a packed picture gives the pixels of the picture it packs.
void TestArt::packedDrawnLikeWhole()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, photo);
    QFETCH(bool, alpha);
    // Flat bands with a sharp edge every few pixels, and 150 x 100 pixels: tiles cut at the edges.
    QImage picture(150, 100, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, photo ? noise.generate() : qRgba(x / 30 * 50, (x / 5 + y / 3) % 2 ? 40 : 200, y / 25 * 60, alpha ? x % 7 * 40 : 255));
    picture.setDevicePixelRatio(ratio);
    const PackedPicture packed(picture);
    QCOMPARE(packed.isPacked(), !photo);
    QCOMPARE(packed.size(), picture.size());
    if (!photo)
        QVERIFY(packed.bytes() * 4 < picture.sizeInBytes());
    const auto pixels = [](const QImage &image) { return image.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    QCOMPARE(pixels(packed.toImage()), pixels(picture));  // unpacked whole (an icon's copy)

    const QPointF at(3, 2);
    for (const QRect exposed : {QRect(0, 0, 200, 200), QRect(40, 30, 27, 19)}) {
        QImage want(256, 256, QImage::Format_RGB32), got(256, 256, QImage::Format_RGB32);
        for (QImage *canvas : {&want, &got}) {
            canvas->fill(QColor(30, 200, 90));
            canvas->setDevicePixelRatio(ratio);
        }
        QPainter whole(&want);
        whole.setClipRect(exposed);
        whole.drawImage(QRectF(at, QSizeF(picture.size()) / ratio), picture);
        whole.end();
        QPainter parts(&got);
        parts.setClipRect(exposed);
        packed.draw(parts, at, exposed);
        parts.end();
        QCOMPARE(rgb(got), rgb(want));
    }
}

QTEST_MAIN(TestArt)
#include "tst_art.moc"
