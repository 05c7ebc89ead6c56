#include "FolderAdd.h"

#include "ui/FormDialog.h"

void FolderAdd::setupWidget(FormDialog *dialog)
{
    dialog->setObjectName(QStringLiteral("FolderAdd"));
    dialog->setWindowTitle(QStringLiteral("アカウントフォルダの作成"));
}
