#include "FuzzTargets.h"

#include "settings/IntSettings.h"
#include "settings/IntegerText.h"
#include "settings/ListFile.h"
#include "shell/ErrorReport.h"
#include "shell/core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>

namespace lettora::fuzz {

namespace {

void require(bool rule, const char *what)
{
    if (!rule) {
        std::fprintf(stderr, "broken rule: %s\n", what);
        std::abort();
    }
}

// One program folder for all runs: a Data folder and a small tree for the resolver.
QString folder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        for (const char *sub : {"Data", "Font/Upper", "Image", "both", "Both"})
            QDir(dir.path()).mkpath(QLatin1String(sub));
        for (const char *file : {"Font/Upper/A.bmp", "Image/BtnOption.bmp"}) {
            QFile f(dir.path() + QLatin1Char('/') + QLatin1String(file));
            f.open(QIODevice::WriteOnly);
        }
        ProgramFolder::setRoot(dir.path());
        return true;
    }();
    (void)made;
    static const QString path = dir.path();
    return path;
}

QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace

void listFile(const std::uint8_t *data, std::size_t size)
{
    const ListEntries entries = parseListFile(bytes(data, size));
    for (const QByteArray &entry : entries)
        require(!breaksListFile(entry), "an entry holds a CR, LF or NUL");
    // What is written reads back the same.
    require(parseListFile(formatListFile(entries)) == entries, "a saved list reads back otherwise");
}

void intSetting(const std::uint8_t *data, std::size_t size)
{
    const QString file = folder() + QStringLiteral("/Data/Timer.dat");
    {
        QFile f(file);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "the settings file cannot be written");
        f.write(bytes(data, size));
    }
    const std::int32_t value = ReadIntSetting(QStringLiteral("./Data/Timer.dat"), 10);
    QFile f(file);
    require(f.open(QIODevice::ReadOnly), "the settings file is gone");
    const QByteArray after = f.readAll();
    if (size >= 4) {
        require(value == qFromLittleEndian<qint32>(data), "the first 4 bytes were not read as they are");
        require(after == bytes(data, size), "a readable file was changed");
    } else {
        require(value == 10, "a short file did not give the default");
        require(after == QByteArray::fromHex("0A000000"), "a short file was not replaced by the default");
    }
}

void timerText(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(bytes(data, size));
    try {
        const std::int32_t value = textToInt(text);
        // A plain decimal number gives its own value.
        bool plain = false;
        const qlonglong decimal = text.toLongLong(&plain, 10);
        if (plain && !text.isEmpty() && text.at(0).isDigit())
            require(decimal == value, "a decimal number gave another value");
    } catch (const Error &e) {
        require(e.text() == QStringLiteral("'%1' is not a valid integer value").arg(text), "an unexpected error text");
    }
}

void pathResolver(const std::uint8_t *data, std::size_t size)
{
    const QString root = folder();
    const QString asked = QString::fromUtf8(bytes(data, size));
    const QString resolved = resolveWithoutCase(root, asked);
    QString slashes = asked;
    slashes.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!QDir::isAbsolutePath(slashes) && !slashes.contains(QLatin1String("..")))
        require(resolved == root || resolved.startsWith(root + QLatin1Char('/')), "a relative path left the program folder");
}

} // namespace lettora::fuzz
