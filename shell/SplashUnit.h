#pragma once

#include <QWidget>

namespace lettora {

// The hidden start-up form: it owns the timer that brings up the welcome screen. Never shown.
class TFormSplash : public QWidget
{
    Q_OBJECT
public:
    explicit TFormSplash(QWidget *parent = nullptr);
};

extern TFormSplash *FormSplash;

} // namespace lettora
