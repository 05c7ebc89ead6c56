#pragma once

#include <QString>

#include <functional>

class QWidget;

// Drives modal windows as a person would: the action runs inside the modal
// loop once the window with that objectName is the active modal widget.
// The test checks `ran` afterwards, so a check that failed inside the action
// cannot pass silently. If the window never comes, every open modal is closed
// after a while so the test fails instead of hanging.
class ModalDriver {
public:
    static void whenShown(
        const QString &objectName, std::function<void(QWidget *)> action, bool *ran);
    // Forgets the actions whose windows have not come: a test that saw its
    // window was never to open must not leave one to fire in the next test.
    static void cancelPending();
    // Closes the modal windows left open from the top down: all of them, or
    // down to `last`.
    static void closeAllModals(const QWidget *last = nullptr);
};
