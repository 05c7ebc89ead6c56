#pragma once

#include "tx_account.h"

#include <atomic>

// The reference count of a COM object, starting at one for its creator.
class RefCount {
public:
    ULONG addRef() { return ++m_count; }

    struct Released {
        ULONG left;
        bool wasLast; // the object must go now
    };

    // A Release beyond the last reference leaves the count at zero and is
    // not the last one a second time.
    Released release()
    {
        ULONG current = m_count.load();
        do {
            if (current == 0)
                return {0, false};
        } while (!m_count.compare_exchange_weak(current, current - 1));
        return {current - 1, current == 1};
    }

private:
    std::atomic<ULONG> m_count{1};
};
