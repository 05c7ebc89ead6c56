#pragma once

#include "store/AccountStatements.h"
#include "ui/Form.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QLineEdit;
class Sign;
namespace Ui {
class AccountAdd;
}

// The account editor: collects one mail account's values, the signature
// from the signature dialog included. OK hands them, once the required
// boxes are filled, to what its opener gave.
class AccountAdd : public Form {
public:
    // True when the account was stored: the dialog closes. False, or a
    // failure, leaves it open with every entry as typed.
    using Apply = std::function<bool(const AccountStatements::AccountValues &values)>;

    explicit AccountAdd(Sign &signDialog);
    ~AccountAdd() override;

    // Shows the editor modally, with the shown values in its boxes and the
    // signature dialog, until it closes.
    void edit(const QString &caption, const QVariantMap &shown, Apply apply);
    // What the boxes and the signature hold, by column, in the order the
    // statements carry them; the boxes keep what was typed.
    AccountStatements::AccountValues values();
    // Stored values by column into the boxes: a null or empty one leaves its
    // box as it is. The signature is always replaced, with the empty text
    // for a null.
    void setValues(const QVariantMap &shown);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    // KeyAscii is the typed character's code; setting it to 0 discards it.
    void Text5_KeyPress(qint16 &KeyAscii);
    void Text7_KeyPress(qint16 &KeyAscii);

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    QLineEdit *textBox(const char *name);
    bool requiredBoxEmpty();
    void portKeyPress(qint16 &KeyAscii);

    Sign &m_signDialog;
    std::unique_ptr<Ui::AccountAdd> m_ui;
    Apply m_apply;
};
