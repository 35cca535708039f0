#include "Delivered.h"

#include "Sounds.h"
#include "Starter.h"
#include "settings/ListFile.h"
#include "shell/core/AssetPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace art {

namespace {
void writePair(const QString &dataFolder, const char *nameList, const char *pathList, const char *folder,
               const QStringList &names)
{
    const QString names_ = dataFolder + QLatin1Char('/') + QFileInfo(QLatin1String(nameList)).fileName();
    const QString paths_ = dataFolder + QLatin1Char('/') + QFileInfo(QLatin1String(pathList)).fileName();
    if (QFile::exists(names_) || QFile::exists(paths_))
        return;
    lettora::ListEntries nameEntries, pathEntries;
    for (const QString &name : names) {
        nameEntries << name.toUtf8();
        pathEntries << QByteArray(folder) + '/' + name.toUtf8();
    }
    try {
        lettora::saveListFile(paths_, pathEntries);
        lettora::saveListFile(names_, nameEntries);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "lettora-artwork: %s\n", e.what());
        std::exit(1);
    }
}
} // namespace

void writeDeliveredLists(const QString &dataFolder)
{
    QDir().mkpath(dataFolder);
    // Relative to the program folder, so the lists hold wherever the folder is copied or installed.
    writePair(dataFolder, lettora::paths::ImageFileList, lettora::paths::ImagePathList, "./Picture",
              starterPictureNames());
    writePair(dataFolder, lettora::paths::MusicFileList, lettora::paths::MusicPathList, "./Music",
              backgroundTuneNames());
}

} // namespace art
