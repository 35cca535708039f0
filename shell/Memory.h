#pragma once

namespace lettora {

// The C library's heap, kept small: one arena for every thread (without it each audio and speech
// thread keeps an arena of its own, several megabytes each, for the few blocks it allocates), and
// large blocks always given back when freed. Called first thing in main, before any thread starts.
void useOneMallocArena();

// Hands the heap's free pages back to the system (after the welcome tune's synthesiser is gone).
void giveBackFreeMemory();

// From now on, once a message box has closed, the fonts that only it drew with (often the desktop's
// sans-serif, which no game window uses) are let go with their glyphs and their mapped files, and
// the heap's free pages with them. A window that draws text again opens its fonts anew.
void releaseWhatBoxesLeave();

} // namespace lettora
