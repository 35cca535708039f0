#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace lettora {

// The parents' corner's "Screen" page: what the game window shows beyond the game itself, and
// whether the game changes the screen's size. Every change is saved at once; a save that fails is
// said in one quiet line.
class ScreenPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Screen";
    static constexpr const char *ShowCountdown = "Show the countdown";
    static constexpr const char *ChangeScreen = "Change the screen to 800 x 600";
    static constexpr const char *ChangeScreenNote = "Takes effect the next time the game starts.";
    static constexpr const char *KeepChildInGame = "Keep my child in the game";

    explicit ScreenPage(QWidget *parent = nullptr);

    QCheckBox *showCountdown = nullptr;
    // Read once, at start: the game switches the display, or draws itself larger to fill it.
    QCheckBox *changeScreen = nullptr;
    QCheckBox *keepInGame = nullptr;
    QLabel *saveProblem = nullptr;

private:
    void save();
};

} // namespace lettora
