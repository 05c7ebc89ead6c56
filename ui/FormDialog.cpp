#include "FormDialog.h"

#include "Failures.h"

#include <QCloseEvent>

FormDialog::FormDialog(QWidget *parent)
    : QDialog(parent)
{
}

void FormDialog::setKind(Kind kind)
{
    const Qt::WindowFlags border = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
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

void FormDialog::reject()
{
    if (onCloseRequest)
        guardEvent(onCloseRequest);
    else
        QDialog::reject();
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
