#pragma once

#include "ui/Form.h"

class FolderAdd : public Form {
protected:
    void setupWidget(FormDialog *dialog) override;
};
