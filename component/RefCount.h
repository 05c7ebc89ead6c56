#pragma once

#include "tx_account.h"

#include <atomic>

// The reference count of a COM object, starting at one for its creator. At
// zero the object is released for good: a further AddRef or Release changes
// nothing and answers TX_RELEASED_COUNT, so that a host's unbalanced Release
// can neither free the object twice nor bring it back to life.
class RefCount {
public:
    ULONG addRef()
    {
        ULONG current = m_count.load();
        do {
            if (current == 0)
                return TX_RELEASED_COUNT;
        } while (!m_count.compare_exchange_weak(current, current + 1));
        return current + 1;
    }

    struct Released {
        ULONG left;
        bool wasLast; // the object must retire now
    };

    Released release()
    {
        ULONG current = m_count.load();
        do {
            if (current == 0)
                return {TX_RELEASED_COUNT, false};
        } while (!m_count.compare_exchange_weak(current, current - 1));
        return {current - 1, current == 1};
    }

    bool isReleased() const { return m_count.load() == 0; }

private:
    std::atomic<ULONG> m_count {1};
};
