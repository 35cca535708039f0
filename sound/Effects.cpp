#include "sound/Effects.h"

#include "shell/ProgramFolder.h"

namespace lettora {

namespace {
class SilentPlayer : public EffectPlayer
{
public:
    void play(const QString &) override {}
};

std::unique_ptr<EffectPlayer> &playerSlot()
{
    static std::unique_ptr<EffectPlayer> player = std::make_unique<SilentPlayer>();
    return player;
}
} // namespace

void setEffectPlayer(std::unique_ptr<EffectPlayer> player)
{
    playerSlot() = player ? std::move(player) : std::make_unique<SilentPlayer>();
}

void PlayEffect(const QString &path)
{
    playerSlot()->play(ProgramFolder::resolve(path));
}

} // namespace lettora
