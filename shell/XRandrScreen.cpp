#include "shell/XRandrScreen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

namespace lettora::xrandr {

namespace {

int xErrors = 0;
int countError(Display *, XErrorEvent *)
{
    ++xErrors;
    return 0;
}

// One connection with our own error handler, closed and the old handler put back at the end.
class Connection
{
public:
    explicit Connection(const char *name) : m_old(XSetErrorHandler(countError)), m_display(XOpenDisplay(name))
    {
        xErrors = 0;
    }
    ~Connection()
    {
        if (m_display)
            XCloseDisplay(m_display);
        XSetErrorHandler(m_old);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    Display *get() const { return m_display; }

private:
    XErrorHandler m_old;
    Display *m_display;
};

bool isXwayland(Display *d, Window root)
{
    XRRScreenResources *res = XRRGetScreenResources(d, root);
    if (!res)
        return false;
    bool xwayland = false;
    for (int i = 0; i < res->noutput && !xwayland; ++i) {
        if (XRROutputInfo *out = XRRGetOutputInfo(d, res, res->outputs[i])) {
            xwayland = out->name && std::strncmp(out->name, "XWAYLAND", 8) == 0;
            XRRFreeOutputInfo(out);
        }
    }
    XRRFreeScreenResources(res);
    return xwayland;
}

} // namespace

bool currentSize(const char *displayName, Size *size)
{
    Connection c(displayName);
    if (!c.get())
        return false;
    const int screen = DefaultScreen(c.get());
    size->width = DisplayWidth(c.get(), screen);
    size->height = DisplayHeight(c.get(), screen);
    return true;
}

bool setSize(const char *displayName, Size size)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase))
        return false;
    const Window root = DefaultRootWindow(d);
    if (isXwayland(d, root))
        return false;
    XRRScreenConfiguration *config = XRRGetScreenInfo(d, root);
    if (!config)
        return false;
    int count = 0;
    XRRScreenSize *sizes = XRRConfigSizes(config, &count);
    int wanted = -1;
    for (int i = 0; i < count; ++i) {
        if (sizes[i].width == size.width && sizes[i].height == size.height) {
            wanted = i;
            break;
        }
    }
    bool ok = false;
    if (wanted >= 0) {
        Rotation rotation = 0;
        XRRConfigCurrentConfiguration(config, &rotation);
        ok = XRRSetScreenConfig(d, config, root, wanted, rotation, CurrentTime) == Success;
        XSync(d, False);
    }
    XRRFreeScreenConfigInfo(config);
    return ok && xErrors == 0;
}

} // namespace lettora::xrandr
