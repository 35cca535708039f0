#include "sound/Effects.h"

#include "shell/core/ProgramFolder.h"
#include "sound/AudioModule.h"

#include <QObject>
#include <QThreadPool>

#include <chrono>

namespace lettora {

namespace {
class SilentPlayer : public EffectPlayer
{
public:
    void play(const QString &) override {}
};

class OnDemandPlayer : public EffectPlayer
{
public:
    ~OnDemandPlayer() override
    {
        // An opening cannot be cut short: it ends before the player goes.
        if (m_opened.valid())
            m_opened.wait();
    }

    void play(const QString &file) override
    {
        if (!m_tookOver && m_opened.valid() && m_opened.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            takeOver();
        if (m_tookOver) {
            if (m_player)
                m_player->play(file);
            return;
        }
        m_pending = file;  // the latest effect asked for, as a new effect cuts the sounding one off
        prepare();
    }

    std::shared_future<void> prepare() override
    {
        if (!m_opened.valid()) {
            std::promise<void> opened;
            m_opened = opened.get_future().share();
            // A one-off job on Qt's pool: the player waits for it; the program ends the pool.
            QThreadPool::globalInstance()->start([this, opened = std::make_shared<std::promise<void>>(std::move(opened))] {
                m_made = openModuleEffectPlayer(nullptr);
                QMetaObject::invokeMethod(&m_context, [this] { takeOver(); }, Qt::QueuedConnection);
                opened->set_value();
            });
        }
        return m_opened;
    }

private:
    // GUI thread, once the opening has ended.
    void takeOver()
    {
        if (m_tookOver)
            return;
        m_tookOver = true;
        m_opened.wait();  // set as the job's last step
        m_player = std::move(m_made);
        applyChannelVolumes();
        if (m_player && !m_pending.isEmpty())
            m_player->play(m_pending);
        m_pending.clear();
    }

    QObject m_context;
    std::shared_future<void> m_opened;
    std::unique_ptr<EffectPlayer> m_made;  // by the opening thread
    std::unique_ptr<EffectPlayer> m_player;
    QString m_pending;
    bool m_tookOver = false;
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

std::unique_ptr<EffectPlayer> makeOnDemandEffectPlayer()
{
    return std::make_unique<OnDemandPlayer>();
}

std::shared_future<void> prepareSoundOutput()
{
    return playerSlot()->prepare();
}

void PlayEffect(const QString &path)
{
    playerSlot()->play(ProgramFolder::resolve(path));
}

} // namespace lettora
