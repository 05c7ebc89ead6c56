#include "FormDialog.h"

#include "Failures.h"

#include <QCloseEvent>

FormDialog::FormDialog(QWidget *parent)
    : QDialog(parent)
{
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
