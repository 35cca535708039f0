#include "parents/KeepInGame.h"

#include "parents/AdultGate.h"
#include "parents/ParentSettings.h"
#include "parents/ParentsCorner.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace lettora {

namespace {
constexpr int RetryInterval = 200;

class WindowSystemGrab : public KeyboardGrab
{
public:
    bool grab(QWindow *window) override { return window->setKeyboardGrabEnabled(true); }
    void release(QWindow *window) override { window->setKeyboardGrabEnabled(false); }
};
} // namespace

KeepInGame &KeepInGame::instance()
{
    static KeepInGame keep;
    return keep;
}

KeepInGame::KeepInGame()
{
    m_retry.setInterval(RetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &KeepInGame::follow);
}

bool KeepInGame::isOn()
{
    return ParentSettingsStore::instance().current().keepInGame;
}

bool KeepInGame::exitAllowed(QWidget *over)
{
    return !isOn() || grownUpAnswers(over, AdultGate::ToLeaveTheGame);
}

bool KeepInGame::optionsAllowed(QWidget *over)
{
    return !isOn() || grownUpAnswers(over, AdultGate::ToOpenTheOptions);
}

void KeepInGame::setGrab(std::unique_ptr<KeyboardGrab> grab)
{
    release();
    m_ownGrab = grab != nullptr;
    m_grab = std::move(grab);
}

KeyboardGrab &KeepInGame::keyboardGrab()
{
    if (!m_grab)
        m_grab = std::make_unique<WindowSystemGrab>();
    return *m_grab;
}

void KeepInGame::start()
{
    // Only an X server lets a client hold the keyboard this way; elsewhere the rest still holds.
    if (m_started || (!m_ownGrab && QGuiApplication::platformName() != QLatin1String("xcb")))
        return;
    m_started = true;
    connect(&ParentSettingsStore::instance(), &ParentSettingsStore::changed, this, &KeepInGame::followSoon);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &KeepInGame::followSoon);
    qApp->installEventFilter(this);
    follow();
}

void KeepInGame::stop()
{
    if (!m_started)
        return;
    m_started = false;
    qApp->removeEventFilter(this);
    disconnect(&ParentSettingsStore::instance(), nullptr, this, nullptr);
    disconnect(qApp, nullptr, this, nullptr);
    release();
}

bool KeepInGame::eventFilter(QObject *watched, QEvent *event)
{
    // A menu or a list that drops down takes the keyboard while it is open and lets it go
    // altogether when it closes: the window under it takes it back.
    if (event->type() == QEvent::Hide && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->windowType() == Qt::Popup)
        followSoon();
    // The server lets the keyboard go with the window that held it: another window of the game
    // takes it (also while another program has the focus, when no focus change says so), and a
    // window shown again (after being minimized, say) takes it anew.
    if (watched->isWindowType()
        && ((event->type() == QEvent::Hide && watched == m_holder)
            || ((event->type() == QEvent::Expose || event->type() == QEvent::Show)
                && static_cast<QWindow *>(watched)->isExposed())))
        followSoon();
    return false;
}

void KeepInGame::followSoon()
{
    // Once the change of window has settled, and once for a burst of changes.
    if (m_followPending)
        return;
    m_followPending = true;
    QMetaObject::invokeMethod(this, [this] { follow(); }, Qt::QueuedConnection);
}

void KeepInGame::follow()
{
    m_followPending = false;
    if (m_started && QApplication::activePopupWidget()) {
        // The open menu holds the keyboard; letting go here would free it from the menu too.
        m_holder = nullptr;
        m_retry.stop();
        return;
    }
    QWindow *active = m_started && isOn() ? windowToHold() : nullptr;
    if (!active) {
        m_retry.stop();
        release();
        return;
    }
    // Asked again even of the same window: a popup that closed may have let the keyboard go.
    if (keyboardGrab().grab(active)) {
        m_holder = active;
        m_retry.stop();
    } else {
        m_holder = nullptr;
        m_retry.start();
    }
}

QWindow *KeepInGame::windowToHold() const
{
    if (QWindow *active = QGuiApplication::focusWindow())
        return active;
    // Another program has the focus: the game keeps the keyboard while a window of it is shown,
    // in the window that held it, else in the one a grown-up has to answer, else the last made.
    if (m_holder && m_holder->isVisible())
        return m_holder;
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible() && modal->windowHandle())
        return modal->windowHandle();
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        const Qt::WindowType type = (*it)->type();
        if ((*it)->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            return *it;
    }
    return nullptr;
}

void KeepInGame::release()
{
    if (m_holder)
        keyboardGrab().release(m_holder);
    m_holder = nullptr;
}

} // namespace lettora
