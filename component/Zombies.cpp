#include "Zombies.h"

#include <deque>
#include <mutex>
#include <utility>

namespace {

struct Registry {
    std::mutex lock;
    std::deque<std::pair<void *, void (*)(void *)>> zombies;
};

// Never destroyed: a host may still call a zombie while the process exits.
Registry &registry()
{
    static auto *instance = new Registry;
    return *instance;
}

} // namespace

namespace Zombies {

void keep(void *object, void (*destroy)(void *))
{
    std::pair<void *, void (*)(void *)> oldest {nullptr, nullptr};
    {
        Registry &r = registry();
        const std::lock_guard guard(r.lock);
        r.zombies.emplace_back(object, destroy);
        if (r.zombies.size() <= size_t(kept))
            return;
        oldest = r.zombies.front();
        r.zombies.pop_front();
    }
    oldest.second(oldest.first);
}

} // namespace Zombies
