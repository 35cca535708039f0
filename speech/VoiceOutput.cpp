#include "speech/VoiceOutput.h"

#include "sound/AudioModule.h"

namespace lettora {

// The mixer is the audio module's: while the module is not loaded no mixer is open, and all of
// these are silent without loading it.

QByteArray toMixerFormat(const Pcm &pcm)
{
    const AudioModule *module = loadedAudioModule();
    return module ? module->toMixerFormat(pcm) : QByteArray();
}

QByteArray loadRecording(const QByteArray &path)
{
    const AudioModule *module = loadedAudioModule();
    return module ? module->loadRecording(path) : QByteArray();
}

QByteArray mixerSilence(int milliseconds)
{
    const AudioModule *module = loadedAudioModule();
    return module ? module->mixerSilence(milliseconds) : QByteArray();
}

VoiceClip::VoiceClip(QByteArray mixerBytes) : m_bytes(std::move(mixerBytes))
{
    const AudioModule *module = loadedAudioModule();
    if (!m_bytes.isEmpty() && module)
        m_chunk = module->makeChunk(m_bytes);
}

VoiceClip::~VoiceClip()
{
    if (m_chunk)
        loadedAudioModule()->freeChunk(m_chunk);
}

bool VoiceOutput::play(std::shared_ptr<VoiceClip> clip)
{
    halt();
    const AudioModule *module = loadedAudioModule();
    if (!clip || !clip->chunk() || !module || !module->playVoice(clip->chunk()))
        return false;
    m_current = std::move(clip);
    return true;
}

void VoiceOutput::halt()
{
    if (m_current)
        if (const AudioModule *module = loadedAudioModule())
            module->haltVoice();
    m_current.reset();
}

bool VoiceOutput::isSounding() const
{
    return sounding() != nullptr;
}

const MixerChunk *VoiceOutput::sounding() const
{
    const AudioModule *module = m_current ? loadedAudioModule() : nullptr;
    return module ? module->soundingVoice() : nullptr;
}

} // namespace lettora
