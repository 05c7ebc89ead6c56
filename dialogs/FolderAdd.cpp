#include "FolderAdd.h"

#include "ui_FolderAdd.h"

#include "browser/AccountBrowse.h"
#include "browser/EditMode.h"
#include "browser/NodeLook.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Apostrophes.h"
#include "store/AccountStatements.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Forms.h"
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

QLineEdit *FolderAdd::Text1()
{
    widget();
    return m_ui->Text1;
}

void FolderAdd::Command2_Click()
{
    if (m_ui->Text1->text().isEmpty()) {
        MessageBox::show(QStringLiteral("正確な文字を入力してください。"));
        return;
    }
    AccountBrowse &list = Forms::accountBrowse();
    bool done = true;
    switch (editMode(list.basAU)) {
    case auAddFolder:
        done = addFolder(list);
        break;
    case auUpdateFolder:
        done = renameFolder(list);
        break;
    default:
        break;
    }
    // A row another program deleted meanwhile has been reported; the name stays.
    if (done)
        unload();
}

// The row first, then the node; the name goes in as it stands, since the
// box never holds an apostrophe. No row goes under a folder that is gone.
bool FolderAdd::addFolder(AccountBrowse &list)
{
    if (list.basNodeKey != u"0" && !list.isStored(list.basNodeKey)) {
        list.reportGone(list.SSTree1()->node(list.basNodeKey));
        return false;
    }
    list.basTable->execute(AccountStatements::insertFolder(list.basNodeKey, m_ui->Text1->text()));
    const QString key = list.basTable->execute(AccountStatements::newCopyOrFolderKey())->text(0);
    // The marker "0" lets the new folder take drops at once, as a loaded one does.
    list.atNode = list.SSTree1()->addNode(list.basNodeKey, SSTree::tvwChild, key,
        m_ui->Text1->text(), QString(), QString(), QStringLiteral("0"));
    showAsFolder(list.atNode);
    return true;
}

// The node first, then the row; false when the row is gone.
bool FolderAdd::renameFolder(AccountBrowse &list)
{
    SSNode *node = list.SSTree1()->node(list.basNodeKey);
    node->setText(m_ui->Text1->text());
    if (list.changesRow(AccountStatements::renameFolder(m_ui->Text1->text(), list.basNodeKey)))
        return true;
    list.reportGone(node);
    return false;
}

void FolderAdd::Command3_Click()
{
    unload();
}

void FolderAdd::Text1_Change()
{
    removeApostrophes(m_ui->Text1);
}
