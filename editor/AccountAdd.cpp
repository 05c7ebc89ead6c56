#include "AccountAdd.h"

#include "ui_AccountAdd.h"

#include "ui/FormDialog.h"

AccountAdd::AccountAdd() = default;
AccountAdd::~AccountAdd() = default;

void AccountAdd::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::AccountAdd>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedDialog);
}
