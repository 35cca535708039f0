#pragma once

// The X11 screen size through XRandR's screen-size requests, which resize the root window and
// switch the mode in one call. Each call opens a short-lived connection of its own and catches
// X errors itself (Xlib's default handler would end the process). Plain C++: the game and its
// restore watchdog both use it.
namespace lettora::xrandr {

struct Size
{
    int width = 0;
    int height = 0;
    bool operator==(const Size &) const = default;
};

// The screen's current size; false when the display cannot be opened.
bool currentSize(const char *displayName, Size *size);

// Switches the screen to a size that its size list offers. False when there is no RandR, the
// size is not offered, the server refuses, or the server is Xwayland (which reports success
// but changes nothing).
bool setSize(const char *displayName, Size size);

// The switch that a running game made, recorded on the root window so that every copy of the game
// and every watchdog knows it: the size to put back and the size switched to. A copy that starts
// while the screen stands at the switched size saves the recorded size, not the switched one.
bool recordSwitch(const char *displayName, Size restore, Size switched);
bool recordedSwitch(const char *displayName, Size *restore, Size *switched);
void clearSwitch(const char *displayName);

// Puts `restore` back if the screen still stands at `switched`, and forgets the recorded switch.
void putBack(const char *displayName, Size restore, Size switched);

} // namespace lettora::xrandr
