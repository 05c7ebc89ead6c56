#pragma once

#include "ui/Form.h"

class AccountAdd : public Form {
protected:
    void setupWidget(FormDialog *dialog) override;
};
