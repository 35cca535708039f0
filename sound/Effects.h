#pragma once

#include <QString>

#include <future>
#include <memory>

namespace lettora {

// The audio service behind sound effects: starts a file at once in the background, a new effect
// cutting off the one that sounds. The default is silent until a real audio back end is set.
class EffectPlayer
{
public:
    virtual ~EffectPlayer() = default;
    virtual void play(const QString &file) = 0;
    // Starts opening the sound output where the player opens it late; ready once it is open or
    // could not be opened. A thread that reads the mixer's format waits on it.
    virtual std::shared_future<void> prepare()
    {
        std::promise<void> done;
        done.set_value();
        return done.get_future().share();
    }
};

void setEffectPlayer(std::unique_ptr<EffectPlayer> player);

// The program's player: the module's (makeModuleEffectPlayer, sound/AudioModule.h), made on a thread of its own with the first sound of any kind
// (the first tune, effect or spoken line), so that the game starts without the sound libraries and
// a sound server that is slow to answer never holds a window. The effect asked for while it opens
// plays once it is open.
std::unique_ptr<EffectPlayer> makeOnDemandEffectPlayer();

// The player's prepare(); GUI thread.
std::shared_future<void> prepareSoundOutput();

// The one call that plays a sound effect. `path` is a fixed relative path ("./Sound/Click.wav"),
// resolved against the program folder. Never raises and never waits.
void PlayEffect(const QString &path);

} // namespace lettora
