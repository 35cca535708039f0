#include "shell/SplashUnit.h"

namespace lettora {

TFormSplash *FormSplash = nullptr;

TFormSplash::TFormSplash(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormSplash"));
}

} // namespace lettora
