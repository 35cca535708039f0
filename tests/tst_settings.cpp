#include "Fixtures.h"

#include "settings/IntSettings.h"
#include "shell/ErrorReport.h"

#include <QDir>
#include <QTest>

using namespace lettora;

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readOrCreateDefault_data();
    void readOrCreateDefault();
    void writeBytes_data();
    void writeBytes();
    void cannotCreate_data();
    void cannotCreate();
};

void TestSettings::readOrCreateDefault_data()
{
    QTest::addColumn<QByteArray>("before");  // "<missing>" for no file
    QTest::addColumn<int>("defaultValue");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing: default written") << QByteArray("<missing>") << 10 << 10 << QByteArray::fromHex("0A000000");
    QTest::newRow("empty: default written") << QByteArray() << 0 << 0 << QByteArray::fromHex("00000000");
    QTest::newRow("2 bytes: replaced") << QByteArray::fromHex("0500") << 10 << 10 << QByteArray::fromHex("0A000000");
    QTest::newRow("3 bytes: replaced") << QByteArray::fromHex("010203") << 1 << 1 << QByteArray::fromHex("01000000");
    QTest::newRow("4 bytes: read, kept") << QByteArray::fromHex("07000000") << 10 << 7 << QByteArray::fromHex("07000000");
    QTest::newRow("little-endian") << QByteArray::fromHex("2C010000") << 10 << 300 << QByteArray::fromHex("2C010000");
    QTest::newRow("negative kept") << QByteArray::fromHex("FEFFFFFF") << 10 << -2 << QByteArray::fromHex("FEFFFFFF");
    QTest::newRow("8 bytes: first 4 read, file untouched")
        << QByteArray::fromHex("0300000099999999") << 10 << 3 << QByteArray::fromHex("0300000099999999");
    QTest::newRow("out of range kept") << QByteArray::fromHex("02000000") << 0 << 2 << QByteArray::fromHex("02000000");
}

void TestSettings::readOrCreateDefault()
{
    QFETCH(QByteArray, before);
    QFETCH(int, defaultValue);
    QFETCH(int, expected);
    QFETCH(QByteArray, after);
    test::ProgramFolderCopy folder;
    if (before != "<missing>")
        folder.write(QStringLiteral("Data/Timer.dat"), before);

    QCOMPARE(ReadIntSetting(QStringLiteral("./Data/Timer.dat"), defaultValue), expected);
    QCOMPARE(folder.bytes(QStringLiteral("Data/Timer.dat")), after);
}

void TestSettings::writeBytes_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("10") << 10 << QByteArray::fromHex("0A000000");
    QTest::newRow("1") << 1 << QByteArray::fromHex("01000000");
    QTest::newRow("0") << 0 << QByteArray::fromHex("00000000");
    QTest::newRow("-1") << -1 << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("int max") << 2147483647 << QByteArray::fromHex("FFFFFF7F");
}

void TestSettings::writeBytes()
{
    QFETCH(int, value);
    QFETCH(QByteArray, bytes);
    test::ProgramFolderCopy folder;
    // A longer file is truncated: exactly 4 bytes remain.
    folder.write(QStringLiteral("Data/Random.dat"), QByteArray(12, 'x'));
    WriteIntSetting(QStringLiteral("./Data/Random.dat"), value);
    QCOMPARE(folder.bytes(QStringLiteral("Data/Random.dat")), bytes);
    QCOMPARE(ReadIntSetting(QStringLiteral("./Data/Random.dat"), 99), value);
}

void TestSettings::cannotCreate_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no Data folder") << QStringLiteral("removeData") << QStringLiteral("No such file or directory");
    QTest::newRow("a folder in the file's place") << QStringLiteral("folder") << QStringLiteral("Not a regular file");
}

void TestSettings::cannotCreate()
{
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    test::ProgramFolderCopy folder;
    if (setup == QLatin1String("removeData"))
        QDir(folder.file(QStringLiteral("Data"))).removeRecursively();
    else
        QDir().mkpath(folder.file(QStringLiteral("Data/Font.dat")));

    const QString expected = QStringLiteral("Cannot create file \"%1\". %2").arg(folder.file(QStringLiteral("Data/Font.dat")), reason);
    try {
        ReadIntSetting(QStringLiteral("./Data/Font.dat"), 0);
        QFAIL("no error raised");
    } catch (const Error &e) {
        QCOMPARE(e.text(), expected);
    }
    try {
        WriteIntSetting(QStringLiteral("./Data/Font.dat"), 1);
        QFAIL("no error raised");
    } catch (const Error &e) {
        QCOMPARE(e.text(), expected);
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
