#include "shell/app/SplashUnit.h"

#include "game/LettoraUnit.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/app/Welcomeunit.h"

namespace lettora {

TFormSplash *FormSplash = nullptr;

namespace {
constexpr int SplashInterval = 1000;
}

TFormSplash::TFormSplash(QWidget *parent) : QWidget(parent)
{
    FormSplash = this;  // usable from a box that the creation handler shows
    setObjectName(QStringLiteral("FormSplash"));
    // Armed as the form is built; its first tick comes from the event loop.
    TimerSplash = new EventTimer(this, SplashInterval, true);
    TimerSplash->setObjectName(QStringLiteral("TimerSplash"));
    TimerSplash->onTimer = [this] { TimerSplashTimer(); };
    guard([this] { FormCreate(); });
}

TFormSplash::~TFormSplash()
{
    if (FormSplash == this)
        FormSplash = nullptr;
}

void TFormSplash::FormCreate()
{
    SplashTicks = 0;
}

void TFormSplash::TimerSplashTimer()
{
    ++SplashTicks;
    // Closing the (hidden) form runs its close handler; later ticks only count.
    if (SplashTicks == 1)
        FormClose();
}

void TFormSplash::FormClose()
{
    FormWelcome->showOver(FormLettora);
}

} // namespace lettora
