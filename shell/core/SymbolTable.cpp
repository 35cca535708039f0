#include "shell/core/SymbolTable.h"

#include <dlfcn.h>

#include <vector>

namespace lettora {

bool resolveSymbols(void *library, std::initializer_list<SymbolSlot> slots, const char **missing)
{
    std::vector<void *> found;
    found.reserve(slots.size());
    for (const SymbolSlot &slot : slots) {
        void *address = library ? ::dlsym(library, slot.name()) : nullptr;
        if (!address) {
            if (missing)
                *missing = slot.name();
            return false;
        }
        found.push_back(address);
    }
    auto address = found.begin();
    for (const SymbolSlot &slot : slots)
        slot.fill(*address++);
    return true;
}

} // namespace lettora
