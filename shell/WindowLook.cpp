#include "shell/WindowLook.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>
#include <QWidget>

namespace lettora {

namespace {

class ButtonIconStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option, const QWidget *widget) const override
    {
        if (const char *name = buttonIconName(icon)) {
            QIcon read;
            for (const int size : {16, 32, 128}) {
                QImageReader reader(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-%1-%2.png")
                                        .arg(QLatin1String(name))
                                        .arg(size),
                                    "png");
                reader.setAutoDetectImageFormat(false);  // else every plugin is still asked first
                const QImage image = reader.read();
                if (!image.isNull())
                    read.addPixmap(QPixmap::fromImage(image));
            }
            if (!read.isNull())
                return read;
        }
        return QProxyStyle::standardIcon(icon, option, widget);
    }

private:
    static const char *buttonIconName(StandardPixmap icon)
    {
        switch (icon) {
        case SP_DialogOkButton: return "ok";
        case SP_DialogCancelButton: return "cancel";
        case SP_DialogHelpButton: return "help";
        case SP_DialogOpenButton: return "open";
        case SP_DialogSaveButton: return "save";
        case SP_DialogCloseButton: return "close";
        case SP_DialogApplyButton: return "apply";
        case SP_DialogResetButton: return "clear";
        case SP_DialogDiscardButton: return "delete";
        case SP_DialogYesButton: return "yes";
        case SP_DialogNoButton: return "no";
        default: return nullptr;
        }
    }
};

} // namespace

void useOwnButtonIcons()
{
    QApplication::setStyle(new ButtonIconStyle);
}

QFont layoutFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    return font;
}

void useWhiteBackground(QWidget *window)
{
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);
    window->setAutoFillBackground(true);
}

} // namespace lettora
