#include "shell/core/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace lettora {

namespace {
QString &rootFolder()
{
    static QString folder;
    return folder;
}

QString &userDataFolder()
{
    static QString folder;
    return folder;
}

QString normalised(const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rel.startsWith(QLatin1String("./")))
        rel.remove(0, 2);
    return rel;
}
} // namespace

void ProgramFolder::setRoot(const QString &folder)
{
    rootFolder() = QDir(folder).absolutePath();
}

QString ProgramFolder::root()
{
    return rootFolder();
}

QString ProgramFolder::resolve(const QString &relative)
{
    if (!userDataFolder().isEmpty()) {
        const QString rel = normalised(relative);
        const QString first = rel.section(QLatin1Char('/'), 0, 0);
        if (first.compare(QLatin1String("Data"), Qt::CaseInsensitive) == 0)
            return resolveWithoutCase(userDataFolder(), rel.section(QLatin1Char('/'), 1));
    }
    return resolveWithoutCase(rootFolder(), relative);
}

void ProgramFolder::setDataFolder(const QString &folder)
{
    userDataFolder() = folder;
}

QString ProgramFolder::dataFolder()
{
    return userDataFolder().isEmpty() ? resolveWithoutCase(rootFolder(), QStringLiteral("Data")) : userDataFolder();
}

QString ProgramFolder::chooseDataFolder()
{
    const QString installed = resolveWithoutCase(rootFolder(), QStringLiteral("Data"));
    if (!QFileInfo(installed).isDir() && access(QFile::encodeName(rootFolder()).constData(), W_OK) == 0) {
        // A lost Data folder comes back empty: the settings are made anew, the lists are reported.
        QDir(rootFolder()).mkdir(QStringLiteral("Data"));
        return {};
    }
    if (access(QFile::encodeName(installed).constData(), W_OK) == 0)
        return {};  // a folder of the user's own: its Data is used as it is
    if (!QFileInfo::exists(rootFolder() + QLatin1Char('/') + QLatin1String(InstalledMarker)))
        return {};  // a copy: the messages about its files say what is wrong
    const QString own = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                        + QStringLiteral("/lettora/Data"));
    errno = 0;
    if (!QDir().mkpath(own)) {
        const int error = errno ? errno : EACCES;
        return QString::fromLatin1(CannotCreateFolder).arg(own, qt_error_string(error));
    }
    const QDir defaults(installed);
    for (const QString &name : defaults.entryList(QDir::Files)) {
        const QString target = own + QLatin1Char('/') + name;
        if (QFileInfo::exists(target))
            continue;
        if (QFile::copy(defaults.filePath(name), target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    setDataFolder(own);
    return {};
}

void ProgramFolder::makeCurrent()
{
    QDir::setCurrent(rootFolder());
}

QString resolveWithoutCase(const QString &folder, const QString &relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(rel))
        return QDir::cleanPath(rel);

    QString current = folder;
    bool searching = true; // once a component is missing, the rest cannot exist either
    const auto parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            current = QFileInfo(current).path();
            continue;
        }
        QString chosen = part;
        if (searching && !QFileInfo::exists(current + QLatin1Char('/') + part)) {
            const QDir dir(current);
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name);
            auto match = std::find_if(entries.begin(), entries.end(), [&](const QString &e) {
                return e.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (match != entries.end())
                chosen = *match;
            else
                searching = false;
        }
        current += QLatin1Char('/') + chosen;
    }
    return QDir::cleanPath(current);
}

} // namespace lettora
