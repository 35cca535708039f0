#include "shell/display/XRandrScreen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lettora::xrandr {

namespace {

bool turned(unsigned rotation)
{
    return rotation & (RR_Rotate_90 | RR_Rotate_270);
}

Size shownSize(Size mode, unsigned rotation)
{
    return turned(rotation) ? Size{mode.height, mode.width} : mode;
}

template <typename T>
const T *findById(const std::vector<T> &items, unsigned long id)
{
    for (const T &item : items) {
        if (item.id == id)
            return &item;
    }
    return nullptr;
}

bool isShown(const Layout &layout, const Output &output)
{
    if (!output.connected || !output.crtc)
        return false;
    const Crtc *crtc = findById(layout.crtcs, output.crtc);
    return crtc && crtc->mode;
}

bool isXwayland(const Layout &layout)
{
    return std::any_of(layout.outputs.begin(), layout.outputs.end(),
                       [](const Output &o) { return o.name.rfind("XWAYLAND", 0) == 0; });
}

// The smallest root window that holds every CRTC that is on, with `crtc` showing `size`.
Size screenAround(const Layout &layout, unsigned long crtc, Size size)
{
    Size screen = layout.minScreen;
    for (const Crtc &c : layout.crtcs) {
        if (!c.mode)
            continue;
        const Size shown = c.id == crtc ? size : c.size;
        screen.width = std::max(screen.width, c.x + shown.width);
        screen.height = std::max(screen.height, c.y + shown.height);
    }
    return screen;
}

bool screenCanTake(const Layout &layout, Size screen)
{
    return (layout.maxScreen.width <= 0 || screen.width <= layout.maxScreen.width)
           && (layout.maxScreen.height <= 0 || screen.height <= layout.maxScreen.height);
}

// The physical size that keeps the screen's dots per inch (96 when the server reports none).
Size millimetres(const Layout &layout, Size screen)
{
    const auto scale = [](int pixels, int nowPixels, int nowMm) {
        if (nowPixels > 0 && nowMm > 0)
            return int(std::lround(double(pixels) * nowMm / nowPixels));
        return int(std::lround(pixels * 25.4 / 96));
    };
    return {scale(screen.width, layout.screen.width, layout.screenMm.width),
            scale(screen.height, layout.screen.height, layout.screenMm.height)};
}

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

// Keeps other clients from changing the screen between reading it and setting it.
class ServerGrab
{
public:
    explicit ServerGrab(Display *d) : m_display(d) { XGrabServer(d); }
    ~ServerGrab()
    {
        XUngrabServer(m_display);
        XSync(m_display, False);
    }
    ServerGrab(const ServerGrab &) = delete;
    ServerGrab &operator=(const ServerGrab &) = delete;

private:
    Display *m_display;
};

// RandR's version as major * 100 + minor; 0 without RandR.
int randrVersion(Display *d)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor))
        return 0;
    return major * 100 + minor;
}

double refreshOf(const XRRModeInfo &mode)
{
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan)
        lines *= 2;
    if (mode.modeFlags & RR_Interlace)
        lines /= 2;
    return mode.hTotal && lines > 0 ? double(mode.dotClock) / (double(mode.hTotal) * lines) : 0;
}

// The server's outputs and CRTCs; not ok without RandR 1.2.
class Screen
{
public:
    explicit Screen(Display *d) : m_display(d), m_root(DefaultRootWindow(d))
    {
        // Outputs and CRTCs came with 1.2, the primary output and the current state with 1.3.
        const int version = randrVersion(d);
        if (version < 102)
            return;
        // The current state is enough, and probing the outputs again can take long on real hardware.
        m_resources = version >= 103 ? XRRGetScreenResourcesCurrent(d, m_root) : XRRGetScreenResources(d, m_root);
        if (!m_resources)
            return;
        const RROutput primary = version >= 103 ? XRRGetOutputPrimary(d, m_root) : None;
        const int screen = DefaultScreen(d);
        m_layout.screen = {DisplayWidth(d, screen), DisplayHeight(d, screen)};
        m_layout.screenMm = {DisplayWidthMM(d, screen), DisplayHeightMM(d, screen)};
        XRRGetScreenSizeRange(d, m_root, &m_layout.minScreen.width, &m_layout.minScreen.height,
                              &m_layout.maxScreen.width, &m_layout.maxScreen.height);
        for (int i = 0; i < m_resources->nmode; ++i) {
            const XRRModeInfo &m = m_resources->modes[i];
            m_layout.modes.push_back({m.id, {int(m.width), int(m.height)}, refreshOf(m)});
        }
        for (int i = 0; i < m_resources->ncrtc; ++i) {
            XRRCrtcInfo *info = XRRGetCrtcInfo(d, m_resources, m_resources->crtcs[i]);
            if (!info)
                continue;
            Crtc crtc{m_resources->crtcs[i], info->mode, info->x, info->y,
                      {int(info->width), int(info->height)}, info->rotation, {}};
            crtc.outputs.assign(info->outputs, info->outputs + info->noutput);
            m_layout.crtcs.push_back(std::move(crtc));
            XRRFreeCrtcInfo(info);
        }
        for (int i = 0; i < m_resources->noutput; ++i) {
            XRROutputInfo *info = XRRGetOutputInfo(d, m_resources, m_resources->outputs[i]);
            if (!info)
                continue;
            Output output{m_resources->outputs[i], std::string(info->name, std::size_t(info->nameLen)),
                          info->connection == RR_Connected, m_resources->outputs[i] == primary, info->crtc, {}};
            output.modes.assign(info->modes, info->modes + info->nmode);
            m_layout.outputs.push_back(std::move(output));
            XRRFreeOutputInfo(info);
        }
        m_ok = xErrors == 0;
    }
    ~Screen()
    {
        if (m_resources)
            XRRFreeScreenResources(m_resources);
    }
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;

    bool ok() const { return m_ok; }
    const Layout &layout() const { return m_layout; }

    // As xrandr does it: the screen first grows to hold both the old and the new CRTC, the CRTC
    // changes, then the screen shrinks to its new size.
    bool apply(const Change &change)
    {
        const Crtc *crtc = findById(m_layout.crtcs, change.crtc);
        if (!crtc)
            return false;
        const Size now = m_layout.screen;
        const Size room{std::max(now.width, change.screen.width), std::max(now.height, change.screen.height)};
        if (crtc->mode == change.mode && now == change.screen)
            return true;
        if (room != now)
            setScreen(room, room == change.screen ? change.screenMm : millimetres(m_layout, room));
        std::vector<RROutput> outputs(crtc->outputs.begin(), crtc->outputs.end());
        const Status status =
            XRRSetCrtcConfig(m_display, m_resources, crtc->id, CurrentTime, crtc->x, crtc->y, change.mode,
                             Rotation(crtc->rotation), outputs.data(), int(outputs.size()));
        XSync(m_display, False);
        if (status != RRSetConfigSuccess || xErrors != 0) {
            if (room != now)
                setScreen(now, m_layout.screenMm);
            return false;
        }
        if (change.screen != room)
            setScreen(change.screen, change.screenMm);
        return xErrors == 0;
    }

private:
    void setScreen(Size size, Size mm)
    {
        XRRSetScreenSize(m_display, m_root, size.width, size.height, mm.width, mm.height);
        XSync(m_display, False);
    }

    Display *m_display;
    Window m_root;
    XRRScreenResources *m_resources = nullptr;
    Layout m_layout;
    bool m_ok = false;
};

// Seven 32-bit values on the root window: output, mode to put back, mode switched to, and the
// screen as it was (width, height, width in mm, height in mm).
constexpr const char *SwitchProperty = "_LETTORA_DISPLAY_SWITCH";
constexpr int SwitchValues = 7;

bool readRecord(Display *d, Switch *done)
{
    const Atom property = XInternAtom(d, SwitchProperty, True);
    if (property == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, DefaultRootWindow(d), property, 0, SwitchValues, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) != Success)
        return false;
    const bool ok = data && type == XA_CARDINAL && format == 32 && count == SwitchValues && after == 0;
    if (ok) {
        const unsigned long *v = reinterpret_cast<const unsigned long *>(data);  // format 32 comes as longs
        *done = {v[0], v[1], v[2], {int(v[3]), int(v[4])}, {int(v[5]), int(v[6])}};
    }
    if (data)
        XFree(data);
    return ok && done->output && done->fromMode && done->fromScreen.width > 0 && done->fromScreen.height > 0;
}

void deleteRecord(Display *d)
{
    const Atom property = XInternAtom(d, SwitchProperty, True);
    if (property != None) {
        XDeleteProperty(d, DefaultRootWindow(d), property);
        XSync(d, False);
    }
}

} // namespace

const Output *switchedOutput(const Layout &layout)
{
    for (const Output &output : layout.outputs) {
        if (output.primary && isShown(layout, output))
            return &output;
    }
    for (const Output &output : layout.outputs) {
        if (isShown(layout, output))
            return &output;
    }
    return nullptr;
}

std::optional<Change> planSwitch(const Layout &layout, Size wanted)
{
    if (isXwayland(layout))
        return std::nullopt;
    const Output *output = switchedOutput(layout);
    if (!output)
        return std::nullopt;
    const Crtc *crtc = findById(layout.crtcs, output->crtc);
    const Mode *current = findById(layout.modes, crtc->mode);
    const double refresh = current ? current->refresh : 0;
    const Mode *best = nullptr;
    for (unsigned long id : output->modes) {
        const Mode *mode = findById(layout.modes, id);
        if (!mode || shownSize(mode->size, crtc->rotation) != wanted)
            continue;
        if (mode == current) {
            best = mode;
            break;
        }
        if (!best || std::abs(mode->refresh - refresh) < std::abs(best->refresh - refresh))
            best = mode;
    }
    if (!best)
        return std::nullopt;
    const Size screen = screenAround(layout, crtc->id, wanted);
    if (!screenCanTake(layout, screen))
        return std::nullopt;
    return Change{output->id, crtc->id, best->id, screen,
                  screen == layout.screen ? layout.screenMm : millimetres(layout, screen)};
}

std::optional<Change> planRestore(const Layout &layout, const Switch &done)
{
    const Output *output = findById(layout.outputs, done.output);
    const Crtc *crtc = output ? findById(layout.crtcs, output->crtc) : nullptr;
    const Mode *mode = findById(layout.modes, done.fromMode);
    if (!crtc || !mode || crtc->mode != done.toMode)
        return std::nullopt;
    const Size needed = screenAround(layout, crtc->id, shownSize(mode->size, crtc->rotation));
    const Size screen{std::max(needed.width, done.fromScreen.width),
                      std::max(needed.height, done.fromScreen.height)};
    if (!screenCanTake(layout, screen))
        return std::nullopt;
    const bool asItWas = screen == done.fromScreen && done.fromScreenMm.width > 0 && done.fromScreenMm.height > 0;
    return Change{output->id, crtc->id, mode->id, screen, asItWas ? done.fromScreenMm : millimetres(layout, screen)};
}

namespace {

// primarySize on an open connection.
Size primarySizeOn(Display *d)
{
    const int screen = DefaultScreen(d);
    Size size{DisplayWidth(d, screen), DisplayHeight(d, screen)};
    const Screen now(d);
    if (now.ok()) {
        if (const Output *output = switchedOutput(now.layout()))
            size = findById(now.layout().crtcs, output->crtc)->size;
    }
    return size;
}

} // namespace

bool primarySize(const char *displayName, Size *size)
{
    Connection c(displayName);
    if (!c.get())
        return false;
    *size = primarySizeOn(c.get());
    return true;
}

bool switchTo(const char *displayName, Size wanted, Switch *done, Size *before)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    const ServerGrab grab(d);
    Screen now(d);
    if (!now.ok())
        return false;
    const Layout &layout = now.layout();
    const std::optional<Change> change = planSwitch(layout, wanted);
    if (!change)
        return false;
    const Crtc *crtc = findById(layout.crtcs, change->crtc);
    *done = {change->output, crtc->mode, change->mode, layout.screen, layout.screenMm};
    *before = crtc->size;
    Switch recorded;
    if (readRecord(d, &recorded) && recorded.output == done->output && recorded.toMode == crtc->mode) {
        done->fromMode = recorded.fromMode;
        done->fromScreen = recorded.fromScreen;
        done->fromScreenMm = recorded.fromScreenMm;
        if (const Mode *from = findById(layout.modes, done->fromMode))
            *before = shownSize(from->size, crtc->rotation);
    }
    return now.apply(*change);
}

bool sizeToRestore(const char *displayName, Size *size)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    Switch recorded;
    if (readRecord(d, &recorded)) {
        const Screen now(d);
        if (const std::optional<Change> restore = now.ok() ? planRestore(now.layout(), recorded) : std::nullopt) {
            const Mode *mode = findById(now.layout().modes, restore->mode);
            *size = shownSize(mode->size, findById(now.layout().crtcs, restore->crtc)->rotation);
            return true;
        }
    }
    *size = primarySizeOn(d);
    return true;
}

bool recordSwitch(const char *displayName, const Switch &done)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return false;
    const long values[SwitchValues] = {long(done.output),
                                       long(done.fromMode),
                                       long(done.toMode),
                                       done.fromScreen.width,
                                       done.fromScreen.height,
                                       done.fromScreenMm.width,
                                       done.fromScreenMm.height};
    XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, SwitchProperty, False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(values), SwitchValues);
    XSync(d, False);
    return xErrors == 0;
}

void clearSwitch(const char *displayName)
{
    Connection c(displayName);
    if (c.get())
        deleteRecord(c.get());
}

void putBack(const char *displayName, const Switch &done)
{
    Connection c(displayName);
    Display *d = c.get();
    if (!d)
        return;
    {
        const ServerGrab grab(d);
        Screen now(d);
        if (now.ok()) {
            if (const std::optional<Change> change = planRestore(now.layout(), done))
                now.apply(*change);
        }
    }
    deleteRecord(d);
}

} // namespace lettora::xrandr
