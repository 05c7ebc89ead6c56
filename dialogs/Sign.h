#pragma once

#include "ui/Form.h"

#include <memory>

namespace Ui {
class Sign;
}

class Sign : public Form {
public:
    Sign();
    ~Sign() override;

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    std::unique_ptr<Ui::Sign> m_ui;
};
