#pragma once

#include "store/AccountStatements.h"
#include "ui/Form.h"

#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class AccountBrowse;
class QLineEdit;
namespace Ui {
class AccountAdd;
}

// The account editor: adds, modifies or copies one mail account, as basAU
// says, in the table and in the account tree.
class AccountAdd : public Form {
public:
    AccountAdd();
    ~AccountAdd() override;

    // A text box by its name; touching one loads the dialog.
    QLineEdit *textBox(const QString &name);
    // The sixteen boxes with the columns they edit, in the statements' order.
    std::vector<std::pair<QString, QLineEdit *>> boxes();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    // KeyAscii is the typed character's code; setting it to 0 discards it.
    void Text5_KeyPress(qint16 &KeyAscii);
    void Text7_KeyPress(qint16 &KeyAscii);

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    bool requiredBoxEmpty();
    std::optional<QString> parentKey(AccountBrowse &list);
    void insertAccount(AccountBrowse &list, const QString &parentKey,
        AccountStatements::HtmlSignature htmlSignature, const QString &keyQuery);
    bool updateAccount(AccountBrowse &list);
    // What the boxes and the signature hold; the boxes keep what was typed.
    AccountStatements::AccountValues values();
    void portKeyPress(qint16 &KeyAscii);

    std::unique_ptr<Ui::AccountAdd> m_ui;
};
