#include "shell/QtScreenFactor.h"

#include "shell/core/SymbolTable.h"

#include <QScreen>
#include <QtGlobal>

// For the calls' types only: no private symbol is linked, each is looked up by name.
#include <QtGui/private/qhighdpiscaling_p.h>
#include <qpa/qplatformscreen.h>

#include <cmath>
#include <cstring>
#include <dlfcn.h>

namespace lettora::qtscreen {

namespace {

using SetScreenFactor = void (*)(QScreen *, qreal);
using ScaleAndOrigin = QHighDpiScaling::ScaleAndOrigin (*)(const QScreen *, QHighDpiScaling::Point);

struct PrivateCalls
{
    SetScreenFactor setScreenFactor = nullptr;
    ScaleAndOrigin scaleAndOrigin = nullptr;
    bool usable() const { return setScreenFactor && scaleAndOrigin; }
};

const PrivateCalls &privateCalls()
{
    static const PrivateCalls calls = [] {
        PrivateCalls found;
        // Private API keeps no promise from one Qt release to the next, not even its layouts.
        if (std::strcmp(qVersion(), QT_VERSION_STR) != 0)
            return found;
        // The program's own handle: Qt's libraries, loaded with it, are searched. Both or neither.
        resolveSymbols(dlopen(nullptr, RTLD_LAZY),
                       {{"_ZN15QHighDpiScaling15setScreenFactorEP7QScreend", found.setScreenFactor},
                        {"_ZN15QHighDpiScaling14scaleAndOriginEPK7QScreenNS_5PointE", found.scaleAndOrigin}});
        return found;
    }();
    return calls;
}

} // namespace

bool canSetFactor()
{
    return privateCalls().usable();
}

QSize platformSize(const QScreen *screen, bool wholeScreen)
{
    if (canSetFactor() && screen->handle())
        return (wholeScreen ? screen->handle()->geometry() : screen->handle()->availableGeometry()).size();
    const QSize logical = (wholeScreen ? screen->geometry() : screen->availableGeometry()).size();
    const qreal ratio = screen->devicePixelRatio();
    return QSize(int(std::lround(logical.width() * ratio)), int(std::lround(logical.height() * ratio)));
}

qreal factor(const QScreen *screen)
{
    if (canSetFactor())
        return privateCalls().scaleAndOrigin(screen, QHighDpiScaling::Point{QHighDpiScaling::Point::Invalid, QPoint()}).factor;
    return screen->devicePixelRatio();
}

void setFactor(QScreen *screen, qreal factor)
{
    if (canSetFactor())
        privateCalls().setScreenFactor(screen, factor);
}

} // namespace lettora::qtscreen
