#pragma once

#include <cstdint>

class QWidget;

namespace lettora {

// What the options dialog changes in the running game. The game window lies above the dialog's
// folder: it implements this and hands itself to the dialog, which never includes it.
class OptionsTarget
{
public:
    // OK: the seconds per picture and the letter case take effect at once.
    virtual void setSecondsPerPicture(std::int32_t seconds) = 0;
    virtual void setUpperCase(bool upper) = 0;
    // The music controls act on the game's music while the dialog is open.
    virtual void musicOnChanged(bool on) = 0;
    virtual void musicNameChosen(int index) = 0;
    virtual void musicNameDoubleClicked(int index) = 0;
    // The grown-ups' door beside Cancel.
    virtual void openParentsCorner(QWidget *over) = 0;

protected:
    ~OptionsTarget() = default;
};

} // namespace lettora
