// Saves the seven Data files over and over, version A then version B, as the options dialog's OK
// does, until it is killed: the test kills it at many moments and reads what the files hold.
//   save-loop PROGRAM_FOLDER
#include "settings/IntSettings.h"
#include "settings/ListFile.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"

#include <QCoreApplication>

#include <cstdio>

using namespace lettora;

namespace {
void save(char version)
{
    ListEntries names, paths, tunes, tunePaths;
    for (int i = 0; i < 3000; ++i) {
        names << QByteArray(1, version) + QByteArray::number(i) + "-a-picture-of-something.jpg";
        paths << "/home/ann/Pictures/" + names.last();
    }
    for (int i = 0; i < 500; ++i) {
        tunes << QByteArray(1, version) + QByteArray::number(i) + ".ogg";
        tunePaths << "/home/ann/Music/" + tunes.last();
    }
    saveListFile(QLatin1String(paths::ImageFileList), names);
    saveListFile(QLatin1String(paths::ImagePathList), paths);
    saveListFile(QLatin1String(paths::MusicFileList), tunes);
    saveListFile(QLatin1String(paths::MusicPathList), tunePaths);
    const int value = version == 'A' ? 11 : 22;
    WriteIntSetting(QLatin1String(paths::TimerSetting), value);
    WriteIntSetting(QLatin1String(paths::RandomSetting), value);
    WriteIntSetting(QLatin1String(paths::FontSetting), value);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    ProgramFolder::setRoot(QString::fromLocal8Bit(argv[1]));
    save('A');
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        save('B');
        save('A');
    }
}
