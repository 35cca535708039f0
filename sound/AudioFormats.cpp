#include "sound/AudioFormats.h"

#include <QFileInfo>

#include <atomic>

#include <dlfcn.h>

namespace lettora {

namespace {

std::atomic<int> gstVolume{100};
std::atomic<const AudioFormats *> loaded{nullptr};

const AudioFormats *load()
{
    void *library = ::dlopen(AudioFormatsFile, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    Dl_info self{};
    if (!library && ::dladdr(reinterpret_cast<const void *>(&load), &self) && self.dli_fname) {
        // Beside this module, wherever the program folder was put.
        const QString path = QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath() + QLatin1Char('/')
                              + QLatin1String(AudioFormatsFile);
        library = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!library)
        return nullptr;
    auto entry = reinterpret_cast<const AudioFormats *(*)()>(::dlsym(library, AudioFormatsEntry));
    const AudioFormats *formats = entry ? entry() : nullptr;
    // A module left from another build could read its table differently.
    if (!formats || formats->version != AudioFormatsVersion || formats->size != int(sizeof(AudioFormats)))
        return nullptr;
    return formats;
}

} // namespace

const AudioFormats *audioFormats()
{
    static const AudioFormats *const formats = [] {
        const AudioFormats *f = load();
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
