#include "sound/module/AudioFormats.h"

#include "sound/ModuleTable.h"

#include <QFileInfo>

#include <atomic>

#include <dlfcn.h>

namespace lettora {

namespace {

std::atomic<int> gstVolume{100};
std::atomic<const AudioFormats *> loaded{nullptr};

const AudioFormats *loadAudioFormats()
{
    // Beside this module, wherever the program folder was put.
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<const void *>(&loadAudioFormats), &self) || !self.dli_fname)
        return nullptr;
    return openModuleTable<AudioFormats>(AudioFormatsFile, AudioFormatsEntry, AudioFormatsVersion,
                                         QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath());
}

} // namespace

const AudioFormats *audioFormats()
{
    static const AudioFormats *const formats = [] {
        const AudioFormats *f = loadAudioFormats();
        loaded = f;
        // A level set while it loaded is applied too; no GStreamer player exists yet.
        if (f)
            f->setGstMusicVolume(gstVolume);
        return f;
    }();
    return formats;
}

// The level of GStreamer's players, now if the module is loaded, else when it loads.
void setFormatsMusicVolume(int percent)
{
    gstVolume = percent;
    if (const AudioFormats *formats = loaded)
        formats->setGstMusicVolume(percent);
}

} // namespace lettora
