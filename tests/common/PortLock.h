// Checks of a serial port's lock that fail within seconds instead of hanging
// the run: another thread takes the lock and gives it back. When it cannot in
// time, this thread lets go of what it holds (a release by a thread that does
// not hold the lock is ignored), so that the other thread ends, and the check
// fails by name.
#pragma once

#include "common/GiveUp.h"
#include <chrono>
#include <future>

namespace testsupport {

// Another thread that takes port's lock once and gives it back.
template <class Port> std::future<void> TakeLockElsewhere(Port &port)
{
    return std::async(std::launch::async, [&port] {
        port.AcquireLock();
        port.ReleaseLock();
    });
}

// Whether taker got the lock within the time; false after freeing it.
template <class Port>
bool LockTakenWithin(std::future<void> &taker, Port &port,
                     std::chrono::milliseconds within = GiveUp)
{
    if (taker.wait_for(within) == std::future_status::ready)
        return true;
    // However deep this thread holds it, one level at a time.
    for (int i = 0; i < 100000 && taker.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++i) {
        port.ReleaseLock();
        taker.wait_for(std::chrono::microseconds(50));
    }
    taker.wait();
    return false;
}

// Whether another thread can take port's lock now.
template <class Port> bool PortLockFree(Port &port)
{
    auto taker = TakeLockElsewhere(port);
    return LockTakenWithin(taker, port);
}

} // namespace testsupport
