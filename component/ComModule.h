#pragma once

// What DllCanUnloadNow needs to know: how many objects of the library are
// alive and how many locks hosts hold on its class factory.
namespace ComModule {
void objectCreated();
void objectDestroyed();
void lockServer(bool lock);
bool canUnloadNow();
} // namespace ComModule
