#pragma once

#include <QDialog>

namespace lettora {

// The options dialog, where an adult picks the pictures, the music, the seconds per picture,
// random order and the letter case. Created once at start, shown modally by the Option command.
class TFormOption : public QDialog
{
    Q_OBJECT
public:
    explicit TFormOption(QWidget *parent = nullptr);

private:
    void FormCreate();
};

extern TFormOption *FormOption;

} // namespace lettora
