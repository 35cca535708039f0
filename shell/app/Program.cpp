#include "shell/app/Program.h"

#include "game/LettoraUnit.h"
#include "parents/KeepInGame.h"
#include "parents/ParentSettings.h"
#include "parents/PicturesPage.h"
#include "parents/ProgressRecorder.h"
#include "settings/OptionUnit.h"
#include "shell/Application.h"
#include "shell/DisplaySize.h"
#include "shell/HeldWork.h"
#include "shell/Memory.h"
#include "shell/app/SplashUnit.h"
#include "shell/app/Welcomeunit.h"
#include "sound/Effects.h"
#include "speech/Voice.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace lettora {

Program::Program()
{
    // Closing the welcome screen or the options dialog never ends the program; the game window
    // does, alone (Qt would otherwise take the game window for the last one, its dialogs being
    // transient, and close every window, running their close handlers).
    QApplication::setQuitOnLastWindowClosed(false);
    // A termination signal ends the program from the start, whether the display is switched or not.
    DisplayRestore::instance().catchSignals();
    // Nothing that can wait competes with putting the game window on the screen.
    holdWork();
    releaseWhatBoxesLeave();
    // The parents' settings are in place before any window speaks or plays.
    ParentSettingsStore::instance().load();
    Voice::instance().start();
    FormLettora = new TFormLettora;
    FormOption = new TFormOption(FormLettora, FormLettora);
    FormSplash = new TFormSplash;
    FormWelcome = new TFormWelcome(FormLettora);
}

Program::~Program()
{
    close();
}

bool Program::close()
{
    if (m_closed)
        return m_ended;
    m_closed = true;
    KeepInGame::instance().stop();
    delete FormWelcome;
    delete FormSplash;
    delete FormOption;
    delete FormLettora;
    FormWelcome = nullptr;
    FormSplash = nullptr;
    FormOption = nullptr;
    FormLettora = nullptr;
    // The voice plays on the effects' mixer: it stops before the mixer closes (which waits for
    // its opening).
    Voice::instance().shutdown();
    setEffectPlayer(nullptr);
    ProgressRecorder::instance().shutdown();
    DisplayRestore::instance().shutdown();
    const QDeadlineTimer deadline(EndWaitMs);
    m_ended = ThumbnailCache::endDecoding(int(deadline.remainingTime()));
    m_ended = endBackgroundJobs(int(deadline.remainingTime())) && m_ended;
    return m_ended;
}

int Program::run()
{
    FormLettora->showAsMainWindow();
    releaseWorkWhenSeen(FormLettora);
    KeepInGame::instance().start();
    // No effect plays before the window is up; the mixer opens off the GUI thread.
    QTimer::singleShot(0, [] {
        setEffectPlayer(makeOnDemandEffectPlayer());
        Voice::applyVolumes();
    });
    // Once the game window is on the screen, the fonts are read and the sound libraries loaded and
    // the sound server reached on threads of their own: by the welcome screen's second, its title
    // only has to be drawn and its tune read.
    runWhenSeen(qApp, [] {
        prepareFonts();
        prepareSoundOutput();
    });
    return QApplication::exec();
}

void Program::bringToFront()
{
    if (!FormLettora)
        return;
    FormLettora->setWindowState(FormLettora->windowState() & ~Qt::WindowMinimized);
    QWidget *top = FormLettora;
    for (QWidget *window : {static_cast<QWidget *>(FormWelcome), static_cast<QWidget *>(FormOption),
                            QApplication::activeModalWidget()}) {
        if (window && window->isVisible())
            top = window;
    }
    FormLettora->raise();
    if (top != FormLettora)
        top->raise();
    top->activateWindow();
}

} // namespace lettora
