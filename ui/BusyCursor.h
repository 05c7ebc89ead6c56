#pragma once

#include <QCursor>
#include <QGuiApplication>

// The wait cursor while a load or a subtree delete runs, restored however
// the work ends. A message shown meanwhile gets the normal pointer.
class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor)
    {
        QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
