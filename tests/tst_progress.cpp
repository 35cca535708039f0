#include "WindowFixtures.h"

#include "parents/ProgressLog.h"
#include "parents/ProgressPage.h"
#include "parents/ProgressRecorder.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
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
        // The longest line read, and one byte more: skipped, and the next line read as ever.
        const QByteArray start = "2026-12-07T14:05:09,cat,right,3.4,";
        const QByteArray longest = start + QByteArray(progress::MaxLineSize - start.size(), 'x') + "\n";
        QTest::newRow("line at the limit") << longest + b << longest + b;
        QTest::newRow("line one past the limit")
            << start + QByteArray(progress::MaxLineSize - start.size() + 1, 'x') + "\n" + b << b;
        QTest::newRow("line longer than a read")
            << a + start + QByteArray(progress::ReadChunk * 2 + 7, 'x') + "\n" + b << a + b;
        QTest::newRow("word of 20 letters") << QByteArray("2026-12-07T14:05:09,abcdefghijklmnopqrst,wrong,1.0,ab\n")
                                            << QByteArray("2026-12-07T14:05:09,abcdefghijklmnopqrst,wrong,1.0,ab\n");
        QTest::newRow("word of 21 letters, cut")
            << QByteArray("2026-12-07T14:05:09,abcdefghijklmnopqrstu,wrong,1.0,ab\n")
            << QByteArray("2026-12-07T14:05:09,abcdefghijklmnopqrst\xe2\x80\xa6,wrong,1.0,ab\n");
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, kept);
        QCOMPARE(formatAll(progress::parse(text)), kept);
        // Read from a file, a piece at a time, the same.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Progress.csv"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(text), text.size());
        out.close();
        QCOMPARE(formatAll(progress::read(file)), kept);
    }

    // The word as recorded: A to Z in lower case, nothing else changed.
    void recordedWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("first and last letters") << "AZaz" << "azaz";
        QTest::newRow("Z in a word") << "ZeBRA" << "zebra";
        QTest::newRow("around the letters") << "@[`{" << "@[`{";
        QTest::newRow("beyond a to z") << QString::fromUtf8("\xc3\x89" "cole") << QString::fromUtf8("\xc3\x89" "cole");
    }
    void recordedWord()
    {
        QFETCH(QString, word);
        QFETCH(QString, recorded);
        QCOMPARE(progress::recordedWord(word), recorded);
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
        qint64 ms = 0;
        ProgressRecorder::instance().setClock([&ms] { return ms; });
        const auto realClock = qScopeGuard([] { ProgressRecorder::instance().setClock({}); });
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-999);
        TwoPictures g;
        // A line that a crash cut stays apart from the next record.
        const QByteArray cut = QByteArray(progress::Header) + "2026-12-07T14:0";
        g.folder.write(QStringLiteral("Data/Progress.csv"), cut);
        g.game->BtnStartClick();
        ms = 1500;
        g.answer("");  // Enter on an empty row is a wrong answer
        ms = 2300;
        g.answer("cta");
        ms = 4000;
        g.answer("cat");
        ms = 14000;
        QTest::keyClicks(g.game.get(), QStringLiteral("do"));
        g.game->TimerShow->fire();
        // The last picture stays: its seconds start again with its second countdown.
        ms = 24000;
        g.game->TimerShow->fire();
        QTRY_COMPARE_WITH_TIMEOUT(g.records().size(), size_t(5), 10000);
        const std::vector<ProgressRecord> r = g.records();
        QStringList got;
        for (const ProgressRecord &x : r)
            got << x.word + QLatin1Char(' ') + QString::fromUtf8(progress::format(x)).split(QLatin1Char(',')).mid(2).join(QLatin1Char(' '));
        QCOMPARE(got, QStringList({QStringLiteral("cat wrong 1.5 \n"), QStringLiteral("cat wrong 2.3 cta\n"),
                                   QStringLiteral("cat right 4.0 cat\n"), QStringLiteral("dog timeout 10.0 do\n"),
                                   QStringLiteral("dog timeout 10.0 do\n")}));
        const QDateTime after = QDateTime::currentDateTime();
        for (const ProgressRecord &x : r) {
            QVERIFY(QDateTime(x.date, x.time) >= before);
            QVERIFY(QDateTime(x.date, x.time) <= after);
        }
        QVERIFY(g.bytes("Data/Progress.csv").startsWith(cut + '\n' + progress::format(r[0])));
        QVERIFY(g.messages->isEmpty());
    }

    // The first answer makes the file, with its header.
    void newFileHasHeader()
    {
        TwoPictures g;
        QVERIFY(!QFile::exists(ProgressRecorder::file()));
        g.game->BtnStartClick();
        g.answer("cat");
        QTRY_COMPARE_WITH_TIMEOUT(g.records().size(), size_t(1), 10000);
        const QByteArray text = g.bytes("Data/Progress.csv");
        QVERIFY2(QRegularExpression(QStringLiteral("^time,word,result,seconds,typed\n"
                                                   "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d,cat,right,\\d+\\.\\d,cat\n$"))
                     .match(QString::fromUtf8(text))
                     .hasMatch(),
                 text.constData());
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
        // Larger than a piece, with what a hand-edited file may hold, and no final line break.
        QByteArray large = QByteArray(progress::Header) + "x\r\n" + QByteArray("\0\xff", 2);
        while (large.size() < 3 * progress::ReadChunk)
            large += "2026-12-07T14:05:09,cat,right,3.4,cat\n";
        large += "2026-12-0";
        folder.write(QStringLiteral("Data/Progress.csv"), large);
        QVERIFY(page.exportTo(exported));
        QCOMPARE(folder.bytes(QStringLiteral("out.csv")), large);
        QVERIFY(!page.exportTo(folder.file(QStringLiteral("Data"))));
        QVERIFY(page.note->text().startsWith(QStringLiteral("The history could not be exported: ")));

        page.clearButton->click();
        QCOMPARE(folder.bytes(QStringLiteral("Data/Progress.csv")), QByteArray());
        QCOMPARE(page.words->rowCount(), 0);
    }

    // The words' table holds at most MaxRows words, those tried most often, and says so.
    void tableRows_data()
    {
        QTest::addColumn<int>("words");
        QTest::addColumn<QString>("said");
        QTest::newRow("at the limit") << ProgressPage::MaxRows << QString();
        QTest::newRow("one past") << ProgressPage::MaxRows + 1
                                  << QStringLiteral("The 500 words tried most often are shown, of 501.");
    }
    void tableRows()
    {
        QFETCH(int, words);
        QFETCH(QString, said);
        test::ProgramFolderCopy folder;
        const QByteArray when = QDate::currentDate().toString(Qt::ISODate).toLatin1() + "T10:00:00,";
        // Word i is tried twice but the last, tried once: the last is the one left out.
        QByteArray text = progress::Header;
        for (int i = 0; i < words; ++i) {
            const QByteArray word = "w" + QByteArray::number(i);
            text += when + word + ",wrong,1.0,x\n";
            if (i < words - 1)
                text += when + word + ",right,1.0," + word + "\n";
        }
        folder.write(QStringLiteral("Data/Progress.csv"), text);
        ProgressPage page;
        page.reload();
        QCOMPARE(page.words->rowCount(), ProgressPage::MaxRows);
        QCOMPARE(page.wordsNote->text(), said);
        QCOMPARE(page.wordsNote->isVisibleTo(&page), !said.isEmpty());
        const QString last = QStringLiteral("w%1").arg(words - 1);
        QCOMPARE(page.words->findItems(last, Qt::MatchExactly).size(), said.isEmpty() ? 1 : 0);
        // Hardest first: the one never right leads while it is shown.
        QCOMPARE(page.words->item(0, 0)->text(), said.isEmpty() ? last : QStringLiteral("w0"));
        QCOMPARE(page.chart->days().back(), (DayCount{QDate::currentDate(), words - 1, words, 0}));
    }

    // At most MaxWordsCounted different words are counted; the next new word is left out.
    void wordsCounted_data()
    {
        QTest::addColumn<int>("words");
        QTest::newRow("at the limit") << progress::MaxWordsCounted;
        QTest::newRow("one past") << progress::MaxWordsCounted + 1;
    }
    void wordsCounted()
    {
        QFETCH(int, words);
        const QDate today(2026, 12, 7);
        progress::Tally tally(today);
        for (int i = 0; i < words; ++i)
            tally.add({today, QTime(10, 0), QStringLiteral("w%1").arg(i), Answer::Right, 1, QString()});
        tally.add({today, QTime(11, 0), QStringLiteral("w0"), Answer::Wrong, 1, QString()});
        const bool over = words > progress::MaxWordsCounted;
        QCOMPARE(tally.wordCount(), progress::MaxWordsCounted);
        QCOMPARE(tally.wordsLeftOut(), over);
        const std::vector<WordStats> top = tally.mostPractised(1);
        QCOMPARE(top.size(), size_t(1));
        QCOMPARE(top[0].word, QStringLiteral("w0"));
        QCOMPARE(top[0].tries, 2);
        // Every answer is in the chart, counted or not in the table.
        QCOMPARE(tally.days().back(), (DayCount{today, words, 1, 0}));
    }

    // Export copies the history byte for byte, a piece at a time, whatever its size.
    void exportStreams()
    {
        // A history of its own kind: never read whole.
        class Source : public QIODevice
        {
        public:
            explicit Source(qint64 size) : m_size(size) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
            qint64 size() const override { return m_size; }
            qint64 largestRead = 0;

        protected:
            qint64 readData(char *data, qint64 max) override
            {
                largestRead = std::max(largestRead, max);
                const qint64 n = std::min(max, m_size - pos());
                for (qint64 i = 0; i < n; ++i)
                    data[i] = char('a' + (pos() + i) % 26);
                return n;
            }
            qint64 writeData(const char *, qint64) override { return -1; }

        private:
            qint64 m_size;
        };
        QTemporaryDir dir;
        const qint64 size = 5 * progress::ReadChunk + 3;
        Source source(size);
        QString reason;
        QVERIFY(progress::copyWhole(source, dir.filePath(QStringLiteral("out.csv")), reason));
        QVERIFY(source.largestRead <= progress::ReadChunk);
        QFile out(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray copied = out.readAll();
        QCOMPARE(copied.size(), size);
        QCOMPARE(copied.left(28), QByteArray("abcdefghijklmnopqrstuvwxyzab"));
        QCOMPARE(copied.right(3), QByteArray("cde"));
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
