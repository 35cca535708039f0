// Opens a tune through GStreamer in a process of its own, as the game's first tune does (GStreamer
// set up then, its registry chosen), and prints its length once it is known.
//   first-tune FILE
#include "sound/AudioModule.h"
#include "sound/MediaPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    QCoreApplication app(argc, argv);
    auto player = lettora::makeModuleMediaPlayer("fakesink");
    player->FileName = QString::fromLocal8Bit(argv[1]);
    player->Open();
    QElapsedTimer waited;
    waited.start();
    while (player->Length() < 0 && waited.elapsed() < 60000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    std::printf("%lld\n", static_cast<long long>(player->Length()));
    return 0;
}
