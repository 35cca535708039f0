#pragma once

#include <QDialog>

namespace lettora {

// The welcome screen, shown once about a second after start.
class TFormWelcome : public QDialog
{
    Q_OBJECT
public:
    explicit TFormWelcome(QWidget *parent = nullptr);
};

extern TFormWelcome *FormWelcome;

} // namespace lettora
