#include "shell/XRandrScreen.h"

#include <X11/Xatom.h>
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

// Four 32-bit values on the root window: restore width, height, switched width, height.
constexpr const char *SwitchProperty = "_LETTORA_DISPLAY_SWITCH";

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

bool recordSwitch(const char *displayName, Size restore, Size switched)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    const long values[4] = {restore.width, restore.height, switched.width, switched.height};
    XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, SwitchProperty, False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(values), 4);
    XSync(d, False);
    return xErrors == 0;
}

bool recordedSwitch(const char *displayName, Size *restore, Size *switched)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom property = XInternAtom(d, SwitchProperty, True);
    if (property == None
        || XGetWindowProperty(d, DefaultRootWindow(d), property, 0, 4, False, XA_CARDINAL, &type, &format,
                              &count, &after, &data) != Success)
        return false;
    const bool ok = data && type == XA_CARDINAL && format == 32 && count == 4;
    if (ok) {
        const long *v = reinterpret_cast<const long *>(data);  // format 32 comes as longs
        *restore = {int(v[0]), int(v[1])};
        *switched = {int(v[2]), int(v[3])};
    }
    if (data)
        XFree(data);
    return ok && restore->width > 0 && restore->height > 0;
}

void clearSwitch(const char *displayName)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return;
    const Atom property = XInternAtom(d, SwitchProperty, True);
    if (property != None) {
        XDeleteProperty(d, DefaultRootWindow(d), property);
        XSync(d, False);
    }
}

void putBack(const char *displayName, Size restore, Size switched)
{
    Size now;
    if (currentSize(displayName, &now) && now == switched)
        setSize(displayName, restore);
    clearSwitch(displayName);
}

} // namespace lettora::xrandr
