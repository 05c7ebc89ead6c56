#pragma once

// An object released for good keeps its memory for a while as an inert
// zombie whose methods refuse every call (RPC_E_DISCONNECTED): a host's extra
// Release, or a call through a pointer it kept too long, meets the object it
// once had instead of freed memory. The newest zombies are kept; the oldest
// is freed when the registry is full. Objects are small, so the registry
// costs a few kilobytes at most, however many objects a host makes.
namespace Zombies {

constexpr int kept = 256;

// Takes the object; `destroy` frees it once it is among the oldest.
void keep(void *object, void (*destroy)(void *));

} // namespace Zombies
