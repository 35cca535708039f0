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

void KeepInGame::start()
{
    // Only an X server lets a client hold the keyboard this way; elsewhere the rest still holds.
    if (m_started || QGuiApplication::platformName() != QLatin1String("xcb"))
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
    QWindow *active = QGuiApplication::focusWindow();
    if (!m_started || !isOn() || !active) {
        m_retry.stop();
        release();
        return;
    }
    // Asked again even of the same window: a popup that closed may have let the keyboard go.
    if (active->setKeyboardGrabEnabled(true)) {
        m_holder = active;
        m_retry.stop();
    } else {
        m_holder = nullptr;
        m_retry.start();
    }
}

void KeepInGame::release()
{
    if (m_holder)
        m_holder->setKeyboardGrabEnabled(false);
    m_holder = nullptr;
}

} // namespace lettora
