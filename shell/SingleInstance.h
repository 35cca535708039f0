#pragma once

#include <QString>

#include <functional>

#include <sys/types.h>

namespace lettora {

// One game per Data folder: two copies over the same lists would record each other's screen size
// and undo each other's choices. The first copy holds a lock on a file in the Data folder (freed
// by the kernel when it ends, however it ends); a later copy asks it to come to the front and
// leaves. Where the Data folder cannot hold the lock file (read-only), the game runs unlocked.
class InstanceLock
{
public:
    static constexpr const char *FileName = "Lettora.lock";

    // Takes the lock. From then on a request of a later copy runs `bringToFront` in the event
    // loop (the request is caught before the lock is taken, so none is lost).
    InstanceLock(const QString &dataFolder, std::function<void()> bringToFront);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // The running copy that holds the folder, or 0 when this copy may run.
    pid_t holder() const { return m_holder; }
    // Asks the holder to bring its windows to the front.
    void askHolderToComeForward() const;

private:
    int m_fd = -1;
    pid_t m_holder = 0;
};

} // namespace lettora
