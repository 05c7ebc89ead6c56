#include "Forms.h"

#include "browser/AccountBrowse.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"

namespace Forms {

AccountBrowse &accountBrowse()
{
    static AccountBrowse instance(accountAdd(), folderAdd(), sign());
    return instance;
}

AccountAdd &accountAdd()
{
    static AccountAdd instance(sign());
    return instance;
}

FolderAdd &folderAdd()
{
    static FolderAdd instance;
    return instance;
}

Sign &sign()
{
    static Sign instance;
    return instance;
}

} // namespace Forms
