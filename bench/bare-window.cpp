// The floor under the game's start-up and memory: a Qt Widgets window and nothing else, maximized
// and painted with a gradient (so the start-up poll of bench/peers.sh sees it painted).
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

namespace {
class Painted : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, Qt::red);
        gradient.setColorAt(0.5, Qt::green);
        gradient.setColorAt(1, Qt::blue);
        painter.fillRect(rect(), gradient);
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Painted window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.showMaximized();
    return app.exec();
}
