#pragma once

namespace lettora {

// The C library's heap, kept small: one arena for every thread (without it each audio and speech
// thread keeps an arena of its own, several megabytes each, for the few blocks it allocates), and
// large blocks always given back when freed. Called first thing in main, before any thread starts.
void useOneMallocArena();

// Hands the heap's free pages back to the system (after the welcome tune's synthesiser is gone).
void giveBackFreeMemory();

} // namespace lettora
