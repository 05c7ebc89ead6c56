#pragma once

#include "browser/AccountList.h"
#include "browser/HistoryControls.h"
#include "browser/TransferCommands.h"
#include "browser/TreeCommands.h"
#include "browser/TreeDrag.h"
#include "ui/Form.h"
#include "ui/ImageList.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class AccountAdd;
class FolderAdd;
class QAction;
class Sign;
class SSNode;
class SSTree;
namespace Ui {
class AccountBrowse;
}

// The account list window. It routes what the user does: a toolbar button,
// a key or a node's menu to the list's change, a dialog's OK to the list
// with the values the dialog collected, and keeps the buttons offering what
// the chosen node allows.
class AccountBrowse : public Form {
public:
    AccountBrowse(AccountAdd &editor, FolderAdd &folderDialog, Sign &signDialog);
    ~AccountBrowse() override;

    // Copies the string and shows the window modally until it closes.
    void showAccountForm(const QString &connStr);
    // Loads the window on the database without showing it.
    void load(const QString &connStr);

    // The buttons for the root node.
    void enableButton();
    // Despite its name: every command button off, "close" aside.
    void enableAllButton();

    AccountList &list() { return m_list; }

    // The window's controls; touching one loads the window.
    SSTree *SSTree1();
    QAction *button(const QString &key);
    const ImageList &ImageList1() const { return m_imageList1; }

protected:
    void setupWidget(FormDialog *dialog) override;
    void Form_Load() override;
    void Form_Unload() override;
    void Form_Resize() override;
    void Form_KeyDown(int &KeyCode, int Shift) override;

private:
    void connectTreeEvents(FormDialog *dialog);
    // Every event of the tree enters here.
    void handle(const std::function<void()> &handler);
    void SSTree1_NodeClick(SSNode *node);
    void SSTree1_AfterLabelEdit(SSNode *node, bool *Cancel, const QString &NewString);
    void Toolbar1_ButtonClick(QAction *button);
    void setButtons(std::initializer_list<std::pair<const char *, bool>> states);

    void openFolderDialog(const QString &caption, bool rename);
    void openNewAccount();
    void openStoredAccount(const QString &caption, bool copy);
    void deleteChosen(AccountList::Deletion deletion);
    void takeHistoryStep(bool back);
    void showStoredIfChanged();

    AccountAdd &m_editor;
    FolderAdd &m_folderDialog;
    Sign &m_signDialog;
    AccountList m_list;
    TreeDrag m_drag;
    TreeCommands m_commands;
    HistoryControls m_history;
    TransferCommands m_transfer;
    std::unique_ptr<Ui::AccountBrowse> m_ui;
    ImageList m_imageList1;
    QString m_basconnStr;
};
