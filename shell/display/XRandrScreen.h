#pragma once

#include <optional>
#include <string>
#include <vector>

// The X11 display size through XRandR 1.2 outputs and CRTCs. The game switches the primary
// output only and leaves every other monitor as it is; without RandR 1.2 (servers from before
// 2007) nothing switches. Each call opens a short-lived connection of its own and catches X errors
// itself (Xlib's default handler would end the process). Plain C++: the game and its restore
// watchdog both use it.
namespace lettora::xrandr {

struct Size
{
    int width = 0;
    int height = 0;
    bool operator==(const Size &) const = default;
};

// What the server reports, reduced to what a switch needs. Ids are the server's XIDs.
struct Mode
{
    unsigned long id = 0;
    Size size;
    double refresh = 0;  // Hz
};

struct Crtc
{
    unsigned long id = 0;
    unsigned long mode = 0;  // 0: the CRTC is off
    int x = 0;
    int y = 0;
    Size size;               // as shown on the screen, rotation applied
    unsigned rotation = 1;   // RR_Rotate_0 ...
    std::vector<unsigned long> outputs;
};

struct Output
{
    unsigned long id = 0;
    std::string name;
    bool connected = false;
    bool primary = false;
    unsigned long crtc = 0;           // 0: not shown
    std::vector<unsigned long> modes; // the output's own modes, in the server's order
};

struct Layout
{
    std::vector<Output> outputs;  // in the server's order
    std::vector<Crtc> crtcs;
    std::vector<Mode> modes;
    Size screen;                  // the root window
    Size screenMm;
    Size minScreen;
    Size maxScreen;
};

// One CRTC to set to a mode (same position, rotation and outputs) and the screen size around it.
struct Change
{
    unsigned long output = 0;
    unsigned long crtc = 0;
    unsigned long mode = 0;
    Size screen;
    Size screenMm;
};

// A switch the game made: enough to put back exactly what it replaced. Plain data: the signal
// fallback thread and the watchdog hold a copy.
struct Switch
{
    unsigned long output = 0;
    unsigned long fromMode = 0;  // the mode to put back
    unsigned long toMode = 0;    // the mode switched to
    Size fromScreen;             // the root window as it was
    Size fromScreenMm;
    bool operator==(const Switch &) const = default;
};

// The output the game switches: the primary one when it is connected and shown, otherwise the
// first connected output that is shown, in the server's order. Null when none is shown.
const Output *switchedOutput(const Layout &layout);

// Switches that output to the mode of `wanted` shown size (a CRTC turned by 90 or 270 degrees
// shows a mode the other way round) whose refresh is closest to the current one. The screen
// grows or shrinks only as far as needed so that every CRTC still fits. Nothing under Xwayland
// (a switch there reports success but changes nothing), without such a mode, or when the screen
// cannot take the size.
std::optional<Change> planSwitch(const Layout &layout, Size wanted);

// Puts back what `done` replaced: its mode on its output and the screen size as it was (grown if
// a CRTC would no longer fit). Nothing unless the output still shows the mode switched to.
std::optional<Change> planRestore(const Layout &layout, const Switch &done);

// The shown size of the switched output (see above); the root window's size when there is no
// RandR 1.2 or no output is shown. False when the display cannot be opened.
bool primarySize(const char *displayName, Size *size);

// Switches the output to `wanted` and says in `done` what it replaced and in `before` the size
// that output showed. When that output stands at the mode a running copy of the game switched it
// to (the recorded switch), `done` and `before` keep that copy's mode and screen size to put back,
// not the switched ones. False when the switch was not made (see planSwitch) or the server
// refused it.
bool switchTo(const char *displayName, Size wanted, Switch *done, Size *before);

// The size the switched output shows after a restore of the recorded switch; where there is no
// record or the output no longer stands at the recorded switched mode, its size now (as
// primarySize). One connection for both: false when the display cannot be opened.
bool sizeToRestore(const char *displayName, Size *size);

// The switch that a running game made, recorded on the root window so that every copy of the game
// knows it (a copy that starts at the switched mode saves the mode to put back, not that one).
bool recordSwitch(const char *displayName, const Switch &done);
void clearSwitch(const char *displayName);

// Puts back what `done` replaced if its output still shows the mode switched to, and forgets the
// recorded switch.
void putBack(const char *displayName, const Switch &done);

} // namespace lettora::xrandr
