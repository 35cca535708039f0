#pragma once

#include <QWidget>

namespace lettora {

class EventTimer;

// The hidden start-up form: its timer brings the welcome screen up about a second after start,
// once. It is never shown; its timer ticks on for the whole run.
class TFormSplash : public QWidget
{
    Q_OBJECT
public:
    explicit TFormSplash(QWidget *parent = nullptr);
    ~TFormSplash() override;

    void TimerSplashTimer();

    EventTimer *TimerSplash = nullptr;
    int SplashTicks = 0;

private:
    void FormCreate();
    void FormClose();
};

extern TFormSplash *FormSplash;

} // namespace lettora
