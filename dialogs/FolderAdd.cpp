#include "FolderAdd.h"

#include "ui_FolderAdd.h"

#include "ui/FormDialog.h"

FolderAdd::FolderAdd() = default;
FolderAdd::~FolderAdd() = default;

void FolderAdd::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::FolderAdd>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedDialog);
}
