#pragma once

class AccountBrowse;
class AccountAdd;
class FolderAdd;
class Sign;

// The one instance of each window, created on first touch and kept for the
// life of the process: where the windows are put together, the account
// list with the dialogs it opens.
namespace Forms {
AccountBrowse &accountBrowse();
AccountAdd &accountAdd();
FolderAdd &folderAdd();
Sign &sign();
} // namespace Forms
