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

    // The signature; touching it loads the dialog.
    QPlainTextEdit *Text1();

    void Command1_Click();
    void Command2_Click();
    void Text1_Change();

protected:
    void setupWidget(FormDialog *dialog) override;
    void Form_Resize() override;
    void closeRequested() override { hide(); }

private:
    std::unique_ptr<Ui::Sign> m_ui;
};
