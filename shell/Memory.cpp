#include "shell/Memory.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdlib>  // defines __GLIBC__ with the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace lettora {

void useOneMallocArena()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
    // Pictures and sound buffers come straight from the system and go back to it when freed;
    // glibc would otherwise raise this threshold after the first large free and keep such blocks.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

void giveBackFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

namespace {

class BoxLeftovers : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<QMessageBox *>(watched)) {
            // Once the box is gone, what it took from the heap goes back.
            QTimer::singleShot(0, qApp, [] { giveBackFreeMemory(); });
        }
        return false;
    }
};

} // namespace

void releaseWhatBoxesLeave()
{
    static QPointer<BoxLeftovers> watch;
    if (watch || !qApp)
        return;
    watch = new BoxLeftovers(qApp);
    qApp->installEventFilter(watch);
}

} // namespace lettora
