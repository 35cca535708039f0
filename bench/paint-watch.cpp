// Waits until the middle of the screen is painted (more than 8 colours in the 400 x 300 rectangle
// at its centre) and prints the milliseconds since T0, given in milliseconds since the epoch (as
// `date +%s%3N` prints them). It looks every 2 ms: ImageMagick's import, which bench/peers.sh used
// before, takes 50-80 ms a look, and rounded every start-up up to the end of its next look.
// With a window title, it waits instead until a window of that title is shown (viewable), as
// `xdotool search --onlyvisible --name` would see it, without the 20-60 ms of starting xdotool.
// With T0 "-", it connects to the display first and then reads T0 from its input: started before
// the program it watches, its own start (20-40 ms while the program loads on the other core) no
// longer delays its first look.
//   lettora-paint-watch T0|- [TITLE]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

namespace {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool painted(Display *display, Window root, int x, int y)
{
    XImage *image = XGetImage(display, root, x, y, 400, 300, AllPlanes, ZPixmap);
    if (!image)
        return false;
    std::set<unsigned long> colours;
    for (int row = 0; row < image->height && colours.size() <= 8; ++row)
        for (int column = 0; column < image->width && colours.size() <= 8; ++column)
            colours.insert(XGetPixel(image, column, row));
    XDestroyImage(image);
    return colours.size() > 8;
}

// A window named `title` that is viewable, at most two levels below the root (the window manager
// puts each top-level window in a frame of its own).
bool shown(Display *display, Window parent, const char *title, int depth)
{
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        char *name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            found = std::strcmp(name, title) == 0;
            XFree(name);
        }
        if (!found && depth > 1)
            found = shown(display, children[i], title, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;  // a window gone between two requests
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: lettora-paint-watch T0_MS|- [TITLE]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    long long t0 = 0;
    if (std::strcmp(argv[1], "-") != 0)
        t0 = std::atoll(argv[1]);
    else if (std::scanf("%lld", &t0) != 1)
        return 2;
    const int screen = DefaultScreen(display);
    const int x = (DisplayWidth(display, screen) - 400) / 2;
    const int y = (DisplayHeight(display, screen) - 300) / 2;
    XSetErrorHandler(ignoreErrors);
    const char *title = argc == 3 ? argv[2] : nullptr;
    while (nowMs() - t0 < 30000) {
        if (title ? shown(display, RootWindow(display, screen), title, 2) : painted(display, RootWindow(display, screen), x, y)) {
            std::printf("%lld\n", nowMs() - t0);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 1;
}
