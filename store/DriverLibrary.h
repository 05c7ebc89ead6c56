#pragma once

#include <optional>

class QSqlDriver;

// The C client library a QtSql driver plugin runs on, as that plugin loaded
// it: a function taken from here works on the plugin's own handles, and an
// engine's library is loaded only once a connection to that engine is made.
class DriverLibrary {
public:
    explicit DriverLibrary(const QSqlDriver *driver);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary &) = delete;
    DriverLibrary &operator=(const DriverLibrary &) = delete;

    // nullptr when the plugin or the function cannot be found.
    void *symbol(const char *name) const;

    // Sets `function` to the library's function of that name, and tells
    // whether it was found.
    template <typename Function> bool find(Function *&function, const char *name) const
    {
        function = reinterpret_cast<Function *>(symbol(name));
        return function != nullptr;
    }

private:
    void *m_plugin = nullptr;
};

// A client's functions (a struct with findIn(const DriverLibrary &)), found
// in the driver's library once per process; nullptr when any is missing.
template <typename Client> const Client *clientOf(const QSqlDriver *driver)
{
    static const std::optional<Client> client = [driver]() -> std::optional<Client> {
        Client found;
        return found.findIn(DriverLibrary(driver)) ? std::optional(found) : std::nullopt;
    }();
    return client ? &*client : nullptr;
}
