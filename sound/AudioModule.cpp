#include "sound/AudioModule.h"

#include "shell/core/RegularFile.h"
#include "sound/Channels.h"
#include "sound/Effects.h"
#include "sound/MediaPlayer.h"
#include "sound/ModuleTable.h"

#include <QCoreApplication>
#include <QFile>

#include <array>
#include <atomic>

#include <dlfcn.h>

namespace lettora {

namespace {

std::atomic<const AudioModule *> loaded{nullptr};

const AudioModule *loadAudioModule()
{
    // By the executable's own folder: the program folder may be moved or installed anywhere.
    return openModuleTable<AudioModule>(AudioModuleFile, AudioModuleEntry, AudioModuleVersion,
                                        QCoreApplication::applicationDirPath());
}

// The levels set while the mixer or the module was not there yet, applied when they come.
std::array<std::atomic<int>, MixerChannels> &channelVolumes()
{
    static std::array<std::atomic<int>, MixerChannels> volumes{100, 100};
    return volumes;
}

std::atomic<bool> mixerOpening{false};

int &keptMusicVolume()
{
    static int percent = 100;
    return percent;
}

} // namespace

const AudioModule *audioModule()
{
    static const AudioModule *const module = [] {
        const AudioModule *m = loadAudioModule();
        loaded = m;
        return m;
    }();
    return module;
}

const AudioModule *loadedAudioModule()
{
    if (const AudioModule *module = loaded)
        return module;
    // Linked into the program, it is there from the start.
    if (void *library = ::dlopen(AudioModuleFile, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) {
        ::dlclose(library);
        return audioModule();
    }
    return nullptr;
}

std::unique_ptr<EffectPlayer> openModuleEffectPlayer(const char *output)
{
    const AudioModule *module = audioModule();
    if (!module)
        return nullptr;
    mixerOpening = true;
    std::unique_ptr<EffectPlayer> player(module->makeEffectPlayer(output));
    mixerOpening = false;
    return player;
}

void applyChannelVolumes()
{
    if (const AudioModule *module = loadedAudioModule())
        for (int channel = 0; channel < MixerChannels; ++channel)
            module->setChannelVolume(channel, channelVolumes()[channel]);
}

std::unique_ptr<EffectPlayer> makeModuleEffectPlayer(const char *output)
{
    std::unique_ptr<EffectPlayer> player = openModuleEffectPlayer(output);
    applyChannelVolumes();
    return player;
}

void setChannelVolume(int channel, int percent)
{
    if (channel >= 0 && channel < MixerChannels)
        channelVolumes()[channel] = percent;
    if (mixerOpening)
        return;  // applied once it is open
    if (const AudioModule *module = loadedAudioModule())
        module->setChannelVolume(channel, percent);
}

// Music through the module's player, made at the first Open: a player made with its window loads
// nothing.
class ModuleMediaPlayer : public MediaPlayer
{
public:
    explicit ModuleMediaPlayer(const char *audioSink) : m_sink(audioSink ? audioSink : "") {}

protected:
    QString openDevice(const QString &file) override
    {
        if (!m_player) {
            if (const AudioModule *module = audioModule()) {
                module->setMusicVolume(keptMusicVolume());
                m_player.reset(module->makeMediaPlayer(m_sink.isEmpty() ? nullptr : m_sink.constData()));
                // The mixer opens with the first tune, so that it is warm by the first click.
                prepareSoundOutput();
            }
        }
        if (m_player)
            return device().openDevice(file);
        QFile probe;
        QString refused;
        return openRegularFile(probe, QFile::encodeName(file), refused) ? QString() : refused;
    }

    void closeDevice() override
    {
        if (m_player)
            device().closeDevice();
    }

    void playDevice() override
    {
        if (m_player)
            device().playDevice();
    }

    void seekToStart() override
    {
        if (m_player)
            device().seekToStart();
    }

    void stopDevice() override
    {
        if (m_player)
            device().stopDevice();
    }

    qint64 deviceLength() override { return m_player ? device().deviceLength() : -1; }
    qint64 devicePosition() override { return m_player ? device().devicePosition() : 0; }
    QString deviceFailure() override { return m_player ? device().deviceFailure() : QString(); }

private:
    MediaPlayer &device() { return *m_player; }

    QByteArray m_sink;
    std::unique_ptr<MediaPlayer> m_player;
};

std::unique_ptr<MediaPlayer> makeModuleMediaPlayer(const char *audioSink)
{
    return std::make_unique<ModuleMediaPlayer>(audioSink);
}

namespace {
MediaPlayerMaker &maker()
{
    static MediaPlayerMaker m;
    return m;
}
} // namespace

void setMediaPlayerMaker(MediaPlayerMaker m)
{
    maker() = std::move(m);
}

std::unique_ptr<MediaPlayer> makeMediaPlayer()
{
    return maker() ? maker()() : makeModuleMediaPlayer();
}

void setMusicVolume(int percent)
{
    keptMusicVolume() = percent;
    if (const AudioModule *module = loadedAudioModule())
        module->setMusicVolume(percent);
}

} // namespace lettora
