// A small window that a file manager would be: a press on it starts a drag of the files named on
// its command line, so an end-to-end test can drop them on the program from another process. It
// says on standard output when the drag starts, when a target takes it and how it ended, so that
// the test waits for each step.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cstdio>

namespace {
class Source : public QLabel
{
public:
    explicit Source(QList<QUrl> urls)
        : QLabel(QStringLiteral("Drag source")), m_urls(std::move(urls))
    {
        setWindowTitle(QStringLiteral("Drag source"));
        setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, drag, [](Qt::DropAction action) {
            say(action == Qt::IgnoreAction ? "refused" : "taken");
        });
        say("dragging");
        say(drag->exec(Qt::CopyAction) == Qt::IgnoreAction ? "ended: not dropped" : "ended: dropped");
    }

private:
    static void say(const char *line)
    {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }

    QList<QUrl> m_urls;
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString &file : app.arguments().mid(1))
        urls << QUrl::fromLocalFile(file);
    Source source(urls);
    source.setGeometry(0, 0, 160, 120);
    source.show();
    return app.exec();
}
