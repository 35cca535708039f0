#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <memory>

class QWidget;

namespace lettora {

// How a window holds the keyboard: the window system's grab (on X11 only); tests put their own.
class KeyboardGrab
{
public:
    virtual ~KeyboardGrab() = default;
    // True when `window` holds the keyboard from now on.
    virtual bool grab(QWindow *window) = 0;
    virtual void release(QWindow *window) = 0;
};

// "Keep my child in the game", chosen on the parents' corner's Screen page. While it is on, the
// program's active window holds the keyboard at the X server (and, when another program takes the
// focus, the window that held it keeps it while any window of the game is shown), so the window
// manager's shortcuts
// (Alt+Tab, Super, Ctrl+Alt+arrows, Alt+F4) reach the game and do nothing; the game window does
// not close at the window manager's request; Exit asks the grown-ups' question. Off, nothing of
// this happens. Keys the X server acts on itself (Ctrl+Alt+F1, Ctrl+Alt+Backspace) are beyond reach.
class KeepInGame : public QObject
{
    Q_OBJECT
public:
    static KeepInGame &instance();
    static bool isOn();
    // Whether Exit may end the game: at once while the option is off; otherwise only once a
    // grown-up answers the question, asked above `over`.
    static bool exitAllowed(QWidget *over);
    // Whether the options dialog may open: always when the option is off, otherwise only after
    // the grown-ups' question is answered.
    static bool optionsAllowed(QWidget *over);

    // Holds the keyboard from now on whenever the option is on (on the X11 platform only, or
    // through the grab a test put).
    void start();
    // Lets the keyboard go for good (the program ends).
    void stop();
    // The window that holds the keyboard, if any.
    QWindow *holder() const { return m_holder; }
    // Tests hold the keyboard their own way; null: the window system's.
    void setGrab(std::unique_ptr<KeyboardGrab> grab);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeepInGame();
    void followSoon();
    void follow();
    void release();
    QWindow *windowToHold() const;
    KeyboardGrab &keyboardGrab();

    std::unique_ptr<KeyboardGrab> m_grab;
    bool m_ownGrab = false;  // a test's
    bool m_started = false;
    bool m_followPending = false;
    QPointer<QWindow> m_holder;
    QTimer m_retry;  // a grab the server refused (a window not yet mapped, a menu of the window manager) is tried again
};

} // namespace lettora
