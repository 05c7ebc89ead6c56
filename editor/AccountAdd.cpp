#include "AccountAdd.h"

#include "ui/FormDialog.h"

void AccountAdd::setupWidget(FormDialog *dialog)
{
    dialog->setObjectName(QStringLiteral("AccountAdd"));
    dialog->setWindowTitle(QStringLiteral("アカウント追加"));
}
