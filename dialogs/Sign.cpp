#include "Sign.h"

#include "ui/FormDialog.h"

void Sign::setupWidget(FormDialog *dialog)
{
    dialog->setObjectName(QStringLiteral("Sign"));
    dialog->setWindowTitle(QStringLiteral("署名作成"));
}
