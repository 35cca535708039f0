#include "shell/Program.h"

#include "game/LettoraUnit.h"
#include "settings/OptionUnit.h"
#include "shell/DisplaySize.h"
#include "shell/SplashUnit.h"
#include "shell/Welcomeunit.h"
#include "sound/Effects.h"

#include <QApplication>
#include <QTimer>

namespace lettora {

Program::Program()
{
    FormLettora = new TFormLettora;
    FormOption = new TFormOption(FormLettora);
    FormSplash = new TFormSplash;
    FormWelcome = new TFormWelcome(FormLettora);
}

Program::~Program()
{
    delete FormWelcome;
    delete FormSplash;
    delete FormOption;
    delete FormLettora;
    FormWelcome = nullptr;
    FormSplash = nullptr;
    FormOption = nullptr;
    FormLettora = nullptr;
    setEffectPlayer(nullptr);
    DisplayRestore::instance().shutdown();
}

int Program::run()
{
    FormLettora->showAsMainWindow();
    // The sound server is reached once the window is up; no effect plays before that.
    QTimer::singleShot(0, [] { setEffectPlayer(makeSdlEffectPlayer()); });
    return QApplication::exec();
}

} // namespace lettora
