#pragma once

#include "ui/Form.h"

class Sign : public Form {
protected:
    void setupWidget(FormDialog *dialog) override;
};
