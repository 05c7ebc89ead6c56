#include "AccountBrowse.h"

#include "component/Forms.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Twips.h"

void AccountBrowse::showAccountForm(const QString &connStr)
{
    basconnStr = connStr;
    showModal();
}

void AccountBrowse::setupWidget(FormDialog *dialog)
{
    dialog->setObjectName(QStringLiteral("AccountBrowse"));
    dialog->setWindowTitle(QStringLiteral("アカウント一覧"));
    dialog->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    dialog->setSizeGripEnabled(true);
    dialog->resize(twipsToPixels(9510), twipsToPixels(6240));
}

void AccountBrowse::Form_Load()
{
    InitTree();
}

void AccountBrowse::InitTree()
{
    runOn([this] { basTable->setConnectionString(basconnStr); });
    runOn([this] { basTable->open(); });
}

void AccountBrowse::Form_Unload()
{
    for (Form *dialog : std::initializer_list<Form *>{&Forms::accountAdd(), &Forms::folderAdd(),
                                                     &Forms::sign()})
        if (dialog->isLoaded())
            dialog->unload();
    // Closing a connection that never opened is harmless here, so the window
    // always closes and the host's call returns.
    basTable->close();
}
