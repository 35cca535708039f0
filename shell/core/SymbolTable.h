#pragma once

#include <initializer_list>

namespace lettora {

// One function of a library opened with dlopen: its name and the pointer it goes to.
class SymbolSlot
{
public:
    template <typename F>
    SymbolSlot(const char *name, F *&slot) : m_name(name), m_slot(&slot), m_fill(&fillSlot<F>)
    {
    }
    const char *name() const { return m_name; }
    void fill(void *address) const { m_fill(m_slot, address); }

private:
    template <typename F> static void fillSlot(void *slot, void *address)
    {
        *static_cast<F **>(slot) = reinterpret_cast<F *>(address);
    }

    const char *m_name;
    void *m_slot;
    void (*m_fill)(void *, void *);
};

// Looks every name up in `library` (a dlopen handle; null finds nothing) and fills all the slots,
// or none of them: a library of another version that lacks one function is not used half. On
// failure `missing`, when given, gets the first name not found. A table without every function
// is the caller's to treat as a missing library, silently or not.
bool resolveSymbols(void *library, std::initializer_list<SymbolSlot> slots, const char **missing = nullptr);

} // namespace lettora
