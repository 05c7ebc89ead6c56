#include "Sign.h"

#include "ui_Sign.h"

#include "ui/FormDialog.h"

Sign::Sign() = default;
Sign::~Sign() = default;

void Sign::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::Sign>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedSingle);
}
