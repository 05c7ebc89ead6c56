#pragma once

#include "ui/Form.h"

#include <memory>

class AccountBrowse;
class QLineEdit;
namespace Ui {
class FolderAdd;
}

// The folder dialog: adds a folder under the selected node or renames the
// selected folder, as basAU says, in the table and in the account tree.
class FolderAdd : public Form {
public:
    FolderAdd();
    ~FolderAdd() override;

    // The folder name; touching it loads the dialog.
    QLineEdit *Text1();

    void Command2_Click();
    void Command3_Click();
    void Text1_Change();

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    bool addFolder(AccountBrowse &list);
    bool renameFolder(AccountBrowse &list);

    std::unique_ptr<Ui::FolderAdd> m_ui;
};
