#include "shell/ScreenScale.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "shell/QtScreenFactor.h"

#include <algorithm>

namespace lettora {

qreal designScale(QSize screen, bool switched)
{
    if (switched || screen.width() <= 0 || screen.height() <= 0)
        return 1.0;
    return std::min(qreal(screen.width()) / DesignScreenSize.width(),
                    qreal(screen.height()) / DesignScreenSize.height());
}

bool coversWholeScreen()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

namespace {

class QtScreenScaler : public ScreenScaler
{
public:
    QSize screenSize() override
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return QSize();
        // The platform's own pixels: what Qt's logical sizes are multiplied up to.
        return qtscreen::platformSize(screen, coversWholeScreen());
    }
    qreal factor() override
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? qtscreen::factor(screen) : 1.0;
    }
    void setFactor(qreal factor) override
    {
        if (QScreen *screen = QGuiApplication::primaryScreen())
            qtscreen::setFactor(screen, factor);
    }
};

std::unique_ptr<ScreenScaler> &scalerSlot()
{
    static std::unique_ptr<ScreenScaler> scaler;
    return scaler;
}

} // namespace

ScreenScaler &screenScaler()
{
    if (!scalerSlot())
        scalerSlot() = std::make_unique<QtScreenScaler>();
    return *scalerSlot();
}

void setScreenScaler(std::unique_ptr<ScreenScaler> scaler)
{
    scalerSlot() = std::move(scaler);
}

ScreenFit &ScreenFit::instance()
{
    static ScreenFit fit;
    return fit;
}

void ScreenFit::fit(bool switched)
{
    ScreenScaler &scaler = screenScaler();
    const qreal factor = designScale(scaler.screenSize(), switched);
    if (!qFuzzyCompare(factor, scaler.factor()))
        scaler.setFactor(factor);
}

void ScreenFit::showBeforeWindows(const std::function<void()> &box)
{
    ScreenScaler &scaler = screenScaler();
    const qreal desktop = scaler.factor();
    fit(false);
    box();
    if (!qFuzzyCompare(desktop, scaler.factor()))
        scaler.setFactor(desktop);
}

void ScreenFit::follow(QWidget *mainWindow)
{
    stopFollowing();
    m_main = mainWindow;
    if (!m_settle) {
        // A change of size comes as a burst of signals (the size, then the window manager's free
        // area), some of them measured at the old factor: the refit waits for the last.
        m_settle = new QTimer(this);
        m_settle->setSingleShot(true);
        m_settle->setInterval(SettleMs);
        connect(m_settle, &QTimer::timeout, this, &ScreenFit::refit);
    }
    const auto watch = [this](QScreen *screen) {
        for (QScreen *other : QGuiApplication::screens())
            disconnect(other, nullptr, this, nullptr);
        if (!screen)
            return;
        connect(screen, &QScreen::geometryChanged, m_settle, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::availableGeometryChanged, m_settle, qOverload<>(&QTimer::start));
    };
    watch(QGuiApplication::primaryScreen());
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this, watch](QScreen *screen) {
        watch(screen);
        m_settle->start();
    });
    // Without a window manager a maximized window keeps its size: give it the screen's.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        m_main->setGeometry(screen->geometry());
}

void ScreenFit::stopFollowing()
{
    disconnect(qApp, &QGuiApplication::primaryScreenChanged, this, nullptr);
    for (QScreen *screen : QGuiApplication::screens())
        disconnect(screen, nullptr, this, nullptr);
    if (m_settle)
        m_settle->stop();
    m_main = nullptr;
}

void ScreenFit::refit()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!m_main || !screen)
        return;
    ScreenScaler &scaler = screenScaler();
    const qreal before = scaler.factor();
    // The screen as it is now: a switch to 800 x 600 shows here as a screen of that size.
    const qreal factor = designScale(scaler.screenSize(), false);
    // Set even when it stays: that also measures the screen's logical size again.
    scaler.setFactor(factor);
    const bool rescaled = !qFuzzyCompare(before, factor);
    const QRect area = screen->geometry();
    if (!(m_main->windowState() & Qt::WindowMinimized)) {
        m_main->setGeometry(area);
        // Same logical size, new factor: the native window takes its new size all the same.
        if (rescaled && m_main->windowHandle())
            m_main->windowHandle()->setGeometry(area);
    }
    if (rescaled) {
        // The windows above the game window keep their logical size; their native size follows
        // the factor, and they are centred on the screen again, as they were shown.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window == m_main || !window->isVisible() || !window->windowHandle())
                continue;
            QRect frame = window->frameGeometry();
            const QPoint client = window->geometry().topLeft() - frame.topLeft();
            frame.moveCenter(area.center());
            window->windowHandle()->setGeometry(QRect(frame.topLeft() + client, window->size()));
        }
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                window->update();
        }
    }
}

} // namespace lettora
