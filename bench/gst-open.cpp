// A parent's own tune through GStreamer in a fresh process: the time Open takes, and the time from
// Open to the first played sample (the position moving). Run it with XDG_CACHE_HOME on an empty
// folder for a new user's first tune (GStreamer scans its plugins), and again for a warm registry.
//   lettora-gst-open-bench file.mp3 [sink]     (sink: a GStreamer sink element, fakesink by default)

#include "sound/AudioModule.h"
#include "sound/MediaPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s file [sink]\n", argv[0]);
        return 2;
    }
    auto player = lettora::makeModuleMediaPlayer(argc > 2 ? argv[2] : "fakesink");
    player->FileName = QString::fromLocal8Bit(argv[1]);
    QElapsedTimer clock;
    clock.start();
    player->Open();
    const qint64 opened = clock.nsecsElapsed();
    player->Play();
    while (player->Position() <= 0) {
        if (clock.elapsed() > 60000) {
            std::fprintf(stderr, "no sound within a minute\n");
            return 1;
        }
        QCoreApplication::processEvents();
        QThread::usleep(200);
    }
    const qint64 sounding = clock.nsecsElapsed();
    std::printf("open %.1f ms, open to first sample %.1f ms\n", opened / 1e6, sounding / 1e6);
    return 0;
}
