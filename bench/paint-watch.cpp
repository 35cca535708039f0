// Waits until the middle of the screen is painted (more than 8 colours in the 400 x 300 rectangle
// at its centre) and prints the milliseconds since T0, given in milliseconds since the epoch (as
// `date +%s%3N` prints them). It looks every 2 ms: ImageMagick's import, which bench/peers.sh used
// before, takes 50-80 ms a look, and rounded every start-up up to the end of its next look.
//   lettora-paint-watch T0
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lettora-paint-watch T0_MS\n");
        return 2;
    }
    const long long t0 = std::atoll(argv[1]);
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const int screen = DefaultScreen(display);
    const int x = (DisplayWidth(display, screen) - 400) / 2;
    const int y = (DisplayHeight(display, screen) - 300) / 2;
    while (nowMs() - t0 < 30000) {
        if (painted(display, RootWindow(display, screen), x, y)) {
            std::printf("%lld\n", nowMs() - t0);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 1;
}
