#include "shell/Welcomeunit.h"

namespace lettora {

TFormWelcome *FormWelcome = nullptr;

namespace {
constexpr QSize ClientSize(627, 444);
}

TFormWelcome::TFormWelcome(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FormWelcome"));
    setWindowTitle(QStringLiteral("Welcome"));
    setFixedSize(ClientSize);
}

} // namespace lettora
