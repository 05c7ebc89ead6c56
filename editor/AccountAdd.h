#pragma once

#include "ui/Form.h"

#include <memory>

namespace Ui {
class AccountAdd;
}

class AccountAdd : public Form {
public:
    AccountAdd();
    ~AccountAdd() override;

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    std::unique_ptr<Ui::AccountAdd> m_ui;
};
