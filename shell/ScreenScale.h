#pragma once

#include <QObject>
#include <QSize>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace lettora {

// Every window of the game is laid out for a screen of 800 x 600: the size the display switches to.
inline constexpr QSize DesignScreenSize(800, 600);

// The factor that draws the 800 x 600 design as large as a screen of `screen` pixels allows,
// keeping its shape (the screen's own pixels: device pixels on X11). 1 when the display was
// switched to the design size, or when the screen's size is unknown.
qreal designScale(QSize screen, bool switched);

// True where the game window covers the whole screen (Wayland, where a client can neither place
// nor size itself); elsewhere it is maximized into the screen's free area.
bool coversWholeScreen();

// The platform's side: the primary screen's free area in its own pixels, and the factor at which
// Qt draws every window, font and click area of the program on it (widgets report it as their
// devicePixelRatioF(), times the platform's own ratio). Tests install their own.
class ScreenScaler
{
public:
    virtual ~ScreenScaler() = default;
    virtual QSize screenSize() = 0;
    virtual qreal factor() = 0;
    virtual void setFactor(qreal factor) = 0;
};

ScreenScaler &screenScaler();
void setScreenScaler(std::unique_ptr<ScreenScaler> scaler);

// Keeps the whole program drawn at the factor that fits the primary screen. Fitted once the game
// window has tried the display switch, before any window shows; followed when the screen's size
// changes later (a monitor plugged in, the resolution changed while the game runs): the main
// window then takes the screen's new size and the windows above it are centred again.
class ScreenFit : public QObject
{
    Q_OBJECT
public:
    static ScreenFit &instance();

    void fit(bool switched);
    // Shows a box that comes before the game window (a problem with the Data folder) at the factor
    // for the screen as it stands, and then puts the desktop's own factor back for the game window
    // to decide by.
    void showBeforeWindows(const std::function<void()> &box);
    void follow(QWidget *mainWindow);
    void stopFollowing();

private:
    ScreenFit() = default;
    void refit();

    static constexpr int SettleMs = 300;
    QWidget *m_main = nullptr;
    QTimer *m_settle = nullptr;
};

} // namespace lettora
