#pragma once

#include "ui/Form.h"

#include <QString>

#include <functional>
#include <memory>

class QLineEdit;
namespace Ui {
class FolderAdd;
}

// The folder dialog: collects a folder's name, without apostrophes, for a
// new folder or a rename. OK hands a name that is not empty to what its
// opener gave.
class FolderAdd : public Form {
public:
    // True when the name was stored: the dialog closes. False, or a failure,
    // leaves it open with the name as typed.
    using Apply = std::function<bool(const QString &name)>;

    FolderAdd();
    ~FolderAdd() override;

    // Shows the dialog modally, the name in its box, until it closes.
    void edit(const QString &caption, const QString &name, Apply apply);

    void Command2_Click();
    void Command3_Click();
    void Text1_Change();

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    std::unique_ptr<Ui::FolderAdd> m_ui;
    Apply m_apply;
};
