#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace lettora {

// The parents' corner's "Screen" page: what the game window shows beyond the game itself. Every
// change takes effect at once and is saved; a save that fails is said in one quiet line.
class ScreenPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Screen";
    static constexpr const char *ShowCountdown = "Show the countdown";
    static constexpr const char *KeepChildInGame = "Keep my child in the game";

    explicit ScreenPage(QWidget *parent = nullptr);

    QCheckBox *showCountdown = nullptr;
    QCheckBox *keepInGame = nullptr;
    QLabel *saveProblem = nullptr;

private:
    void save();
};

} // namespace lettora
