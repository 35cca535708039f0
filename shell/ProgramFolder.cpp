#include "shell/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace lettora {

namespace {
QString &rootFolder()
{
    static QString folder;
    return folder;
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
    return resolveWithoutCase(rootFolder(), relative);
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
