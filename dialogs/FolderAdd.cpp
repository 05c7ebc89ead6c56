#include "FolderAdd.h"

#include "ui_FolderAdd.h"

#include "dialogs/Apostrophes.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/MessageBox.h"

FolderAdd::FolderAdd() = default;
FolderAdd::~FolderAdd() = default;

void FolderAdd::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::FolderAdd>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedDialog);
    dialog->onClicked(m_ui->Command2, [this] { Command2_Click(); });
    dialog->onClicked(m_ui->Command3, [this] { Command3_Click(); });
    QObject::connect(m_ui->Text1, &QLineEdit::textChanged, dialog,
        [this] { guardEvent([this] { Text1_Change(); }); });
}

void FolderAdd::edit(const QString &caption, const QString &name, Apply apply)
{
    m_apply = std::move(apply);
    setCaption(caption);
    m_ui->Text1->setText(name);
    showModal();
}

void FolderAdd::Command2_Click()
{
    if (m_ui->Text1->text().isEmpty()) {
        MessageBox::show(QStringLiteral("正確な文字を入力してください。"));
        return;
    }
    if (!m_apply || m_apply(m_ui->Text1->text()))
        unload();
}

void FolderAdd::Command3_Click()
{
    unload();
}

void FolderAdd::Text1_Change()
{
    removeApostrophes(m_ui->Text1);
}
