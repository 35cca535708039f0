#pragma once

#include <QString>

#include <memory>

namespace lettora {

// The audio service behind sound effects: starts a file at once in the background, a new effect
// cutting off the one that sounds. The default is silent until a real audio back end is set.
class EffectPlayer
{
public:
    virtual ~EffectPlayer() = default;
    virtual void play(const QString &file) = 0;
};

void setEffectPlayer(std::unique_ptr<EffectPlayer> player);

// The SDL2_mixer player: one mixer channel for effects, so a new effect cuts the sounding one off and nothing
// is queued; each file is loaded once and kept. A file that is missing or cannot be read plays the
// default sound. Without a sound server it plays nothing and never waits. `driver` names an SDL
// audio driver ("dummy" in tests); null lets SDL choose.
std::unique_ptr<EffectPlayer> makeSdlEffectPlayer(const char *driver = nullptr);

// The one call that plays a sound effect. `path` is a fixed relative path ("./Sound/Click.wav"),
// resolved against the program folder. Never raises and never waits.
void PlayEffect(const QString &path);

} // namespace lettora
