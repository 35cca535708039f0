#pragma once

namespace lettora {

// The C library's heap, kept small: one arena for every thread (without it each audio and speech
// thread keeps an arena of its own, several megabytes each, for the few blocks it allocates), and
// large blocks always given back when freed. Called first thing in main, before any thread starts.
void useOneMallocArena();

// Hands the heap's free pages back to the system (after the welcome tune's synthesiser is gone).
void giveBackFreeMemory();

// From now on, once a message box has closed, the heap's free pages go back to the system. (The
// fonts only the box drew with stay in Qt's font cache: letting go of them takes Qt's private API,
// for a few hundred kilobytes.)
void releaseWhatBoxesLeave();

} // namespace lettora
