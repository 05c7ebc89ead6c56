#include "DriverLibrary.h"

#include <dlfcn.h>

// The plugin is the file the driver's code lives in; it is already loaded,
// and is only looked up here, never loaded again.
DriverLibrary::DriverLibrary(const QSqlDriver *driver)
{
    Dl_info plugin;
    const void *vtable = *reinterpret_cast<void *const *>(driver);
    if (dladdr(vtable, &plugin) && plugin.dli_fname)
        m_plugin = dlopen(plugin.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}

DriverLibrary::~DriverLibrary()
{
    if (m_plugin)
        dlclose(m_plugin);
}

void *DriverLibrary::symbol(const char *name) const
{
    return m_plugin ? dlsym(m_plugin, name) : nullptr;
}
