#include "shell/Program.h"

#include "game/LettoraUnit.h"
#include "settings/OptionUnit.h"
#include "shell/DisplaySize.h"
#include "shell/SplashUnit.h"
#include "shell/Welcomeunit.h"
#include "sound/Effects.h"

#include <QApplication>

namespace lettora {

Program::Program()
{
    setEffectPlayer(makeSdlEffectPlayer());
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
    return QApplication::exec();
}

} // namespace lettora
