#include "ComModule.h"

#include <atomic>

namespace {
std::atomic<long> liveObjects {0};
std::atomic<long> serverLocks {0};
} // namespace

namespace ComModule {

void objectCreated()
{
    ++liveObjects;
}

void objectDestroyed()
{
    --liveObjects;
}

void lockServer(bool lock)
{
    if (lock) {
        ++serverLocks;
        return;
    }
    // An unlock without a lock must not make the count negative.
    long current = serverLocks.load();
    while (current > 0 && !serverLocks.compare_exchange_weak(current, current - 1)) { }
}

bool canUnloadNow()
{
    return liveObjects.load() == 0 && serverLocks.load() == 0;
}

} // namespace ComModule
