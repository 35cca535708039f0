#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>

class QWidget;

namespace lettora {

// "Keep my child in the game", chosen on the parents' corner's Screen page. While it is on, the
// program's active window holds the keyboard at the X server, so the window manager's shortcuts
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

    // Holds the keyboard from now on whenever the option is on (on the X11 platform only).
    void start();
    // Lets the keyboard go for good (the program ends).
    void stop();
    // The window that holds the keyboard, if any.
    QWindow *holder() const { return m_holder; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeepInGame();
    void followSoon();
    void follow();
    void release();

    bool m_started = false;
    bool m_followPending = false;
    QPointer<QWindow> m_holder;
    QTimer m_retry;  // a grab the server refused (a window not yet mapped, a menu of the window manager) is tried again
};

} // namespace lettora
