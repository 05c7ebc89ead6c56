#pragma once

#include <memory>

// An object variable declared "As New": the first use while it is empty
// creates a fresh object.
template <typename T> class AutoNew {
public:
    T &operator*() { return get(); }
    T *operator->() { return &get(); }

private:
    T &get()
    {
        if (!m_object)
            m_object = std::make_unique<T>();
        return *m_object;
    }

    std::unique_ptr<T> m_object;
};
