#include "settings/OptionUnit.h"

#include "shell/ErrorReport.h"

namespace lettora {

TFormOption *FormOption = nullptr;

namespace {
constexpr QSize DialogSize(572, 409);
}

TFormOption::TFormOption(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FormOption"));
    setFixedSize(DialogSize);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    guard([this] { FormCreate(); });
}

void TFormOption::FormCreate() {}

} // namespace lettora
