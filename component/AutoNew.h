#pragma once

#include <memory>

// An object variable declared "As New": the first use while it is empty
// creates a fresh object; assigning replaces the object it refers to.
template <typename T> class AutoNew {
public:
    T &operator*() { return get(); }
    T *operator->() { return &get(); }

    T &get()
    {
        if (!m_object)
            m_object = std::make_shared<T>();
        return *m_object;
    }

    AutoNew &operator=(std::shared_ptr<T> object)
    {
        m_object = std::move(object);
        return *this;
    }

    bool isEmpty() const { return !m_object; }

private:
    std::shared_ptr<T> m_object;
};
