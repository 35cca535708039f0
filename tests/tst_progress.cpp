#include "Fixtures.h"

#include "parents/ProgressLog.h"
#include "parents/ProgressPage.h"
#include "parents/ProgressRecorder.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <sys/stat.h>

using namespace lettora;

Q_DECLARE_METATYPE(lettora::ProgressRecord)
Q_DECLARE_METATYPE(std::vector<lettora::ProgressRecord>)

namespace {

ProgressRecord rec(const char *when, const char *word, Answer result, double seconds = 1, const char *typed = "")
{
    const QDateTime t = QDateTime::fromString(QLatin1String(when), Qt::ISODate);
    return {t.date(), t.time(), QString::fromUtf8(word), result, seconds, QString::fromUtf8(typed)};
}

QByteArray formatAll(const std::vector<ProgressRecord> &records)
{
    QByteArray text;
    for (const ProgressRecord &r : records)
        text += progress::format(r);
    return text;
}

// "05:r/w/t" per day, the day of the month first.
QString daysText(const std::vector<DayCount> &days)
{
    QStringList parts;
    for (const DayCount &d : days)
        parts << QStringLiteral("%1:%2/%3/%4").arg(d.day.day()).arg(d.right).arg(d.wrong).arg(d.timeout);
    return parts.join(QLatin1Char(' '));
}

// A game over two pictures, Cat then Dog, in the list's order.
struct TwoPictures : test::Windows
{
    TwoPictures() : test::Windows(lists())
    {
        QByteArray paths;
        for (const char *name : {"Cat.bmp", "Dog.bmp"}) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            const QString file = folder.file(QStringLiteral("Picture/") + QLatin1String(name));
            image.save(file, "bmp");
            paths += QFile::encodeName(file) + "\r\n";
        }
        folder.write(QStringLiteral("Data/Image.txt"), paths);
        dialog->ReloadPictureList();
    }
    static QMap<QString, QByteArray> lists()
    {
        return {{QStringLiteral("Data/ImageFile.txt"), "Cat.bmp\r\nDog.bmp\r\n"},
                {QStringLiteral("Data/Random.dat"), QByteArray::fromHex("00000000")}};
    }
    void answer(const char *word)
    {
        game->BtnClearClick();
        QTest::keyClicks(game.get(), QLatin1String(word));
        QTest::keyClick(game.get(), Qt::Key_Return);
    }
    std::vector<ProgressRecord> records() const { return progress::read(ProgressRecorder::file()); }
};

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { ProgressRecorder::instance().resume(); }

    void format_data()
    {
        QTest::addColumn<ProgressRecord>("record");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("right") << rec("2026-12-07T14:05:09", "cat", Answer::Right, 3.44, "cat")
                               << QByteArray("2026-12-07T14:05:09,cat,right,3.4,cat\n");
        QTest::newRow("wrong, rounded") << rec("2026-01-02T03:04:05", "dog", Answer::Wrong, 12.36, "dgo")
                                        << QByteArray("2026-01-02T03:04:05,dog,wrong,12.4,dgo\n");
        QTest::newRow("timeout, nothing typed") << rec("2026-12-07T00:00:00", "sun", Answer::Timeout, 10)
                                                << QByteArray("2026-12-07T00:00:00,sun,timeout,10.0,\n");
        QTest::newRow("comma and quote are quoted")
            << rec("2026-12-07T14:05:09", "ice, \"cold\"", Answer::Right, 0.5, "ice")
            << QByteArray("2026-12-07T14:05:09,\"ice, \"\"cold\"\"\",right,0.5,ice\n");
        QTest::newRow("UTF-8 kept as it is") << rec("2026-12-07T14:05:09", "caf\xc3\xa9", Answer::Wrong, 2, "caf")
                                             << QByteArray("2026-12-07T14:05:09,caf\xc3\xa9,wrong,2.0,caf\n");
    }
    void format()
    {
        QFETCH(ProgressRecord, record);
        QFETCH(QByteArray, line);
        QCOMPARE(progress::format(record), line);
        QCOMPARE(formatAll(progress::parse(line)), line);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray a = "2026-12-07T14:05:09,cat,right,3.4,cat\n";
        const QByteArray b = "2026-12-08T09:00:00,dog,timeout,10.0,do\n";
        QTest::newRow("header and two records") << QByteArray(progress::Header) + a + b << a + b;
        QTest::newRow("last line cut by a crash") << a + b.left(b.size() - 1) << a;
        QTest::newRow("line cut in the middle, then more") << a + "2026-12-07T14:0\n" + b << a + b;
        QTest::newRow("too few fields") << a + "2026-12-07T14:05:09,cat,right,3.4\n" + b << a + b;
        QTest::newRow("too many fields") << "2026-12-07T14:05:09,cat,right,3.4,cat,x\n" + b << b;
        QTest::newRow("no such day") << "2026-02-30T14:05:09,cat,right,3.4,cat\n" + b << b;
        QTest::newRow("no such hour") << "2026-02-03T24:05:09,cat,right,3.4,cat\n" + b << b;
        QTest::newRow("unknown result") << "2026-12-07T14:05:09,cat,maybe,3.4,cat\n" + b << b;
        QTest::newRow("seconds not a number") << "2026-12-07T14:05:09,cat,right,soon,cat\n" + b << b;
        QTest::newRow("negative seconds") << "2026-12-07T14:05:09,cat,right,-1,cat\n" + b << b;
        QTest::newRow("no word") << "2026-12-07T14:05:09,,right,1.0,cat\n" + b << b;
        QTest::newRow("foreign lines") << "hello world\n\n\xff\xfe,,,,\n" + a << a;
        QTest::newRow("quote left open") << "2026-12-07T14:05:09,\"cat,right,3.4,cat\n" + b << b;
        QTest::newRow("stray quote") << "2026-12-07T14:05:09,c\"at,right,3.4,cat\n" + b << b;
        QTest::newRow("quoted field") << QByteArray("2026-12-07T14:05:09,\"ice, \"\"cold\"\"\",right,0.5,ice\n")
                                      << QByteArray("2026-12-07T14:05:09,\"ice, \"\"cold\"\"\",right,0.5,ice\n");
        QTest::newRow("CRLF line") << QByteArray("2026-12-07T14:05:09,cat,right,3.4,cat\r\n") << a;
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, kept);
        QCOMPARE(formatAll(progress::parse(text)), kept);
    }

    void perDay_data()
    {
        QTest::addColumn<std::vector<ProgressRecord>>("records");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("days");
        const std::vector<ProgressRecord> few{rec("2026-12-03T10:00:00", "cat", Answer::Right),
                                              rec("2026-12-03T10:01:00", "dog", Answer::Wrong),
                                              rec("2026-12-03T23:59:59", "dog", Answer::Right),
                                              rec("2026-12-05T00:00:00", "sun", Answer::Timeout),
                                              rec("2026-12-09T08:00:00", "sun", Answer::Right)};
        QTest::newRow("a week at least, empty days at zero")
            << few << QDate(2026, 12, 7) << QStringLiteral("1:0/0/0 2:0/0/0 3:2/1/0 4:0/0/0 5:0/0/1 6:0/0/0 7:0/0/0");
        QTest::newRow("from the first record when later than 30 days ago")
            << few << QDate(2026, 12, 10)
            << QStringLiteral("3:2/1/0 4:0/0/0 5:0/0/1 6:0/0/0 7:0/0/0 8:0/0/0 9:1/0/0 10:0/0/0");
        QTest::newRow("at most 30 days")
            << few << QDate(2027, 1, 2)
            << QStringLiteral("4:0/0/0 5:0/0/1 6:0/0/0 7:0/0/0 8:0/0/0 9:1/0/0 10:0/0/0 11:0/0/0 12:0/0/0 13:0/0/0 "
                              "14:0/0/0 15:0/0/0 16:0/0/0 17:0/0/0 18:0/0/0 19:0/0/0 20:0/0/0 21:0/0/0 22:0/0/0 "
                              "23:0/0/0 24:0/0/0 25:0/0/0 26:0/0/0 27:0/0/0 28:0/0/0 29:0/0/0 30:0/0/0 31:0/0/0 "
                              "1:0/0/0 2:0/0/0");
        QTest::newRow("nothing played") << std::vector<ProgressRecord>{} << QDate(2026, 3, 1)
                                        << QStringLiteral("23:0/0/0 24:0/0/0 25:0/0/0 26:0/0/0 27:0/0/0 28:0/0/0 1:0/0/0");
    }
    void perDay()
    {
        QFETCH(std::vector<ProgressRecord>, records);
        QFETCH(QDate, today);
        QFETCH(QString, days);
        const auto [first, last] = progress::chartRange(records, today);
        QCOMPARE(daysText(progress::perDay(records, first, last)), days);
    }

    void perWord()
    {
        const std::vector<ProgressRecord> records{
            rec("2026-12-01T10:00:00", "cat", Answer::Right), rec("2026-12-01T10:01:00", "dog", Answer::Wrong),
            rec("2026-12-02T10:00:00", "dog", Answer::Right), rec("2026-12-01T11:00:00", "sun", Answer::Timeout),
            rec("2026-12-03T09:00:00", "cat", Answer::Right), rec("2026-11-30T10:00:00", "dog", Answer::Timeout),
            rec("2026-12-01T12:00:00", "bee", Answer::Wrong), rec("2026-12-01T12:30:00", "bee", Answer::Wrong),
            rec("2026-12-04T08:00:00", "owl", Answer::Right), rec("2026-12-04T08:01:00", "owl", Answer::Wrong)};
        QStringList shown;
        for (const WordStats &w : progress::perWord(records))
            shown << QStringLiteral("%1 %2/%3 %4T%5")
                         .arg(w.word)
                         .arg(w.rights)
                         .arg(w.tries)
                         .arg(w.lastDate.toString(Qt::ISODate), w.lastTime.toString(Qt::ISODate));
        // Never right: the most tries first; then a third right, a half, all.
        QCOMPARE(shown, QStringList({QStringLiteral("bee 0/2 2026-12-01T12:30:00"),
                                     QStringLiteral("sun 0/1 2026-12-01T11:00:00"),
                                     QStringLiteral("dog 1/3 2026-12-02T10:00:00"),
                                     QStringLiteral("owl 1/2 2026-12-04T08:01:00"),
                                     QStringLiteral("cat 2/2 2026-12-03T09:00:00")}));
    }

    // Each answer in the real game window lands in the file, written by the background writer.
    void recordsTheGame()
    {
        TwoPictures g;
        // A line that a crash cut stays apart from the next record.
        const QByteArray cut = QByteArray(progress::Header) + "2026-12-07T14:0";
        g.folder.write(QStringLiteral("Data/Progress.csv"), cut);
        g.game->BtnStartClick();
        g.answer("cta");
        g.answer("cat");
        QTest::keyClicks(g.game.get(), QStringLiteral("do"));
        g.game->TimerShow->fire();
        QTRY_COMPARE_WITH_TIMEOUT(g.records().size(), size_t(3), 10000);
        const std::vector<ProgressRecord> r = g.records();
        QStringList got;
        for (const ProgressRecord &x : r)
            got << x.word + QLatin1Char(' ') + progress::format(x).split(',').at(2) + QLatin1Char(' ') + x.typed;
        QCOMPARE(got, QStringList({QStringLiteral("cat wrong cta"), QStringLiteral("cat right cat"),
                                   QStringLiteral("dog timeout do")}));
        const QDateTime now = QDateTime::currentDateTime();
        for (const ProgressRecord &x : r) {
            QVERIFY(qAbs(QDateTime(x.date, x.time).secsTo(now)) < 600);
            QVERIFY(x.seconds >= 0 && x.seconds < 600);
        }
        QVERIFY(g.bytes("Data/Progress.csv").startsWith(cut + '\n' + progress::format(r[0])));
        QVERIFY(g.messages->isEmpty());
    }

    // Something other than a file in its place: no box, the game goes on, one note on the page.
    void failedWriteIsANote_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("FIFO") << true;
        QTest::newRow("folder") << false;
    }
    void failedWriteIsANote()
    {
        QFETCH(bool, fifo);
        TwoPictures g;
        const QByteArray path = QFile::encodeName(g.folder.file(QStringLiteral("Data/Progress.csv")));
        QVERIFY(fifo ? ::mkfifo(path.constData(), 0644) == 0 : QDir().mkdir(QString::fromLocal8Bit(path)));
        g.game->BtnStartClick();
        g.answer("cat");
        const QString note = QStringLiteral("Progress could not be saved: Not a regular file");
        QTRY_COMPARE_WITH_TIMEOUT(ProgressRecorder::instance().note(), note, 10000);
        ProgressPage page;
        page.reload();
        QCOMPARE(page.note->text(), note);
        QVERIFY(g.messages->isEmpty());
        QVERIFY(g.game->ImageShow->isVisibleTo(g.game.get()));
    }

    // The page shows the file, hardest word first; clearing empties the file.
    void page()
    {
        test::ProgramFolderCopy folder;
        const QDate today = QDate::currentDate();
        auto line = [&](int daysAgo, const char *rest) {
            return today.addDays(-daysAgo).toString(Qt::ISODate).toLatin1() + "T10:00:00," + rest + "\n";
        };
        folder.write(QStringLiteral("Data/Progress.csv"), QByteArray(progress::Header) + line(2, "cat,right,2.0,cat")
                                                              + line(1, "dog,wrong,4.0,dgo") + "garbage\n"
                                                              + line(0, "dog,right,3.0,dog") + "2026-12-0");
        ProgressPage page;
        page.confirmClear = [](QWidget *) { return true; };
        page.reload();
        QCOMPARE(page.words->rowCount(), 2);
        QCOMPARE(page.words->item(0, 0)->text(), QStringLiteral("dog"));
        QCOMPARE(page.words->item(0, 1)->text(), QStringLiteral("2"));
        QCOMPARE(page.words->item(0, 2)->text(), QStringLiteral("1"));
        QCOMPARE(page.words->item(0, 3)->text(), today.toString(Qt::ISODate) + QStringLiteral(" 10:00"));
        QCOMPARE(page.chart->days().size(), size_t(7));
        QCOMPARE(page.chart->days().back(), (DayCount{today, 1, 0, 0}));

        const QString exported = folder.file(QStringLiteral("out.csv"));
        QVERIFY(page.exportTo(exported));
        QCOMPARE(folder.bytes(QStringLiteral("out.csv")), folder.bytes(QStringLiteral("Data/Progress.csv")));
        QVERIFY(!page.exportTo(folder.file(QStringLiteral("Data"))));
        QVERIFY(page.note->text().startsWith(QStringLiteral("The history could not be exported: ")));

        page.clearButton->click();
        QCOMPARE(folder.bytes(QStringLiteral("Data/Progress.csv")), QByteArray());
        QCOMPARE(page.words->rowCount(), 0);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
