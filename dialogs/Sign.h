#pragma once

#include "ui/Form.h"

#include <memory>

class QPlainTextEdit;
namespace Ui {
class Sign;
}

// The signature dialog. It only hides when closed, so the signature in its
// text box lives on between showings until the account list unloads.
class Sign : public Form {
public:
    Sign();
    ~Sign() override;

    // The signature box; touching it loads the dialog.
    QPlainTextEdit *Text1();

    // A stored signature into the box. Until the user changes it, signature()
    // gives it back as it came, line breaks and all; the box itself shows
    // every line break alike.
    void setSignature(const QString &stored);
    // The text to store: the stored one untouched, or what the box holds
    // with every line break as CRLF, as mail carries it.
    QString signature();

    void Command1_Click();
    void Command2_Click();
    void Text1_Change();

protected:
    void setupWidget(FormDialog *dialog) override;
    void Form_Resize() override;
    void closeRequested() override { hide(); }

private:
    std::unique_ptr<Ui::Sign> m_ui;
    QString m_shown; // the box's text right after setSignature
    QString m_untouched;
};
