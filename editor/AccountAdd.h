#pragma once

#include "ui/Form.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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

    // Doubles every single quote of src, stores the result back into src
    // and returns it.
    static QString DbSet(QString &src);

    // The text boxes; touching one loads the dialog.
    QLineEdit *Text1();
    QLineEdit *Text2();
    QLineEdit *Text3();
    QLineEdit *Text4();
    QLineEdit *Text5();
    QLineEdit *Text6();
    QLineEdit *Text7();
    QLineEdit *Text8();
    QLineEdit *Text9();
    QLineEdit *TextOfficeName();
    QLineEdit *TextOfficeSection();
    QLineEdit *TextTelNumber();
    QLineEdit *TextFaxNumber();
    QLineEdit *TextAddress1();
    QLineEdit *TextAddress2();
    QLineEdit *TextHandy();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    // KeyAscii is the typed character's code; setting it to 0 discards it.
    void Text5_KeyPress(qint16 &KeyAscii);
    void Text7_KeyPress(qint16 &KeyAscii);

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    Ui::AccountAdd &ui();
    bool requiredBoxEmpty() const;
    std::optional<QString> parentKey(AccountBrowse &list);
    void insertAccount(AccountBrowse &list, const QString &parentKey, const QString &htmlSig,
        const QString &keyQuery);
    bool updateAccount(AccountBrowse &list);
    QStringList quotedValues() const;
    QString insertStatement(const QString &parentKey, const QString &htmlSig) const;
    QString updateStatement(const QString &key) const;
    void portKeyPress(qint16 &KeyAscii);

    std::unique_ptr<Ui::AccountAdd> m_ui;
};
