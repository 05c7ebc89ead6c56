#include "FormDialog.h"

#include "Failures.h"

#include "EventMasks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

FormDialog::FormDialog(QWidget *parent)
    : QDialog(parent)
{
}

void FormDialog::setKind(Kind kind)
{
    const Qt::WindowFlags border
        = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    switch (kind) {
    case Kind::Resizable:
        setWindowFlags(Qt::Window | border | Qt::WindowMinMaxButtonsHint);
        setSizeGripEnabled(true);
        return;
    case Kind::FixedDialog:
        setWindowFlags(Qt::Dialog | border | Qt::MSWindowsFixedSizeDialogHint);
        break;
    case Kind::FixedSingle:
        setWindowFlags(Qt::Window | border | Qt::MSWindowsFixedSizeDialogHint);
        break;
    }
    setFixedSize(size());
}

void FormDialog::setKeyPreview(bool on)
{
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void FormDialog::onClicked(QAbstractButton *button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this,
        [handler = std::move(handler)] { guardEvent(handler); });
}

// A shortcut is looked up before the key reaches the control, so a swallowed
// key must be swallowed as a shortcut override too.
bool FormDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    // A key the focus widget ignores travels on to its parents: see it once.
    QWidget *focus = QApplication::focusWidget();
    auto *target = qobject_cast<QWidget *>(watched);
    // While a menu is open the keys are the menu's.
    if (!onKeyDown || !target || target->window() != this || (focus && target != focus)
        || QApplication::activePopupWidget())
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    int keyCode = key->key();
    bool swallowed = false;
    guardEvent([&] {
        onKeyDown(keyCode, shiftMask(key->modifiers()));
        swallowed = keyCode == 0;
    });
    if (swallowed)
        event->accept();
    return swallowed;
}

void FormDialog::reject()
{
    if (onCloseRequest)
        guardEvent(onCloseRequest);
    else
        QDialog::reject();
}

// The windows close only by their buttons and close boxes: Escape, which
// QDialog takes as a cancel, would throw away what the user typed.
void FormDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

void FormDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (onResize)
        guardEvent(onResize);
}

void FormDialog::closeEvent(QCloseEvent *event)
{
    if (!onCloseRequest) {
        QDialog::closeEvent(event);
        return;
    }
    // Unloading hides and destroys the widget itself; the close event must not
    // hide it a second time.
    event->ignore();
    guardEvent(onCloseRequest);
}
