#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace lettora {

// Something made on a thread of its own, for a caller that must not wait for it (a synthesiser
// reading a large soundfont). Neither side ever waits for the other: let go before it is made, it
// is deleted by the making thread once made.
template<typename T>
class Background
{
public:
    explicit Background(std::function<std::unique_ptr<T>()> make) : m_state(std::make_shared<State>())
    {
        std::thread([state = m_state, make = std::move(make)] {
            std::unique_ptr<T> made = make();
            std::lock_guard guard(state->lock);
            state->made = std::move(made);
            state->done = true;
        }).detach();
    }

    bool ready() const
    {
        std::lock_guard guard(m_state->lock);
        return m_state->done;
    }
    // Null until it is made, and when the making gave nothing.
    T *get() const
    {
        std::lock_guard guard(m_state->lock);
        return m_state->made.get();
    }

private:
    struct State
    {
        std::mutex lock;
        bool done = false;
        std::unique_ptr<T> made;
    };
    std::shared_ptr<State> m_state;
};

} // namespace lettora
