#include "shell/WindowLook.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QWidget>

#include <algorithm>
#include <climits>

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
                QImageReader reader(QStringLiteral(":/lettora/buttons/%1-%2.png").arg(QLatin1String(name)).arg(size),
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

// The application's own style beneath a widget's: a proxy left without one would make the
// desktop's, or the Windows style where the desktop names none.
QStyle *applicationBase()
{
    return QStyleFactory::create(QApplication::style()->name());
}

class ThinScrollBarStyle : public QProxyStyle
{
public:
    ThinScrollBarStyle() : QProxyStyle(applicationBase()) {}

    using QProxyStyle::polish;

    void polish(QWidget *widget) override
    {
        QProxyStyle::polish(widget);
        widget->setAttribute(Qt::WA_Hover);  // the handle lights up under the pointer
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return Thickness;
        if (metric == PM_ScrollBarSliderMin)
            return HandleMinimum;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
                         const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const bool across = bar->orientation == Qt::Horizontal;
        const int length = across ? bar->rect.width() : bar->rect.height();
        int handle = length;
        if (bar->maximum != bar->minimum) {
            const qint64 range = qint64(bar->maximum) - bar->minimum;
            handle = int(qint64(bar->pageStep) * length / (range + bar->pageStep));
            if (handle < HandleMinimum || range > INT_MAX / 2)
                handle = HandleMinimum;
            handle = std::min(handle, length);
        }
        const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                  length - handle, bar->upsideDown);
        int from = 0;
        int to = 0;  // the part's span along the bar; no arrow buttons, so those parts are empty
        switch (part) {
        case SC_ScrollBarGroove: to = length; break;
        case SC_ScrollBarSlider: from = start; to = start + handle; break;
        case SC_ScrollBarSubPage: to = start; break;
        case SC_ScrollBarAddPage: from = start + handle; to = length; break;
        default: return {};
        }
        const QRect span = across ? QRect(bar->rect.left() + from, bar->rect.top(), to - from, bar->rect.height())
                                  : QRect(bar->rect.left(), bar->rect.top() + from, bar->rect.width(), to - from);
        return visualRect(bar->direction, bar->rect, span);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        if (control != CC_ScrollBar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const bool lit = (option->activeSubControls & SC_ScrollBarSlider) && (option->state & State_MouseOver);
        painter->fillRect(option->rect, QColor(0xd8, 0xd8, 0xd8));
        painter->fillRect(subControlRect(control, option, SC_ScrollBarSlider, widget),
                          lit ? QColor(0x3d, 0x7b, 0xe0) : QColor(0x9a, 0x9a, 0x9a));
    }

private:
    static constexpr int Thickness = 2;
    static constexpr int HandleMinimum = 24;
};

class LabelSpacingStyle : public QProxyStyle
{
public:
    explicit LabelSpacingStyle(int clear) : QProxyStyle(applicationBase()), m_clear(clear) {}

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        return metric == PM_CheckBoxLabelSpacing ? m_clear : QProxyStyle::pixelMetric(metric, option, widget);
    }

    // The text may run to the control's edge, where the base style's text ends a pixel short of it.
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
        if (element != CE_CheckBoxLabel || !button || !widget) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionButton label(*button);
        if (label.direction == Qt::RightToLeft)
            label.rect.setLeft(widget->rect().left());
        else
            label.rect.setRight(widget->rect().right());
        QProxyStyle::drawControl(element, &label, painter, widget);
    }

private:
    int m_clear;
};

// A widget's own style is not owned by it: the widget keeps it as its child.
void giveStyle(QWidget *widget, QStyle *style)
{
    style->setParent(widget);
    widget->setStyle(style);
}

} // namespace

void makeThin(QScrollBar *bar)
{
    giveStyle(bar, new ThinScrollBarStyle);
}

void setLabelSpacing(QCheckBox *box, int clearPixels)
{
    giveStyle(box, new LabelSpacingStyle(clearPixels));
}

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
