#pragma once

#include "ui/Form.h"

#include <memory>

namespace Ui {
class FolderAdd;
}

class FolderAdd : public Form {
public:
    FolderAdd();
    ~FolderAdd() override;

protected:
    void setupWidget(FormDialog *dialog) override;

private:
    std::unique_ptr<Ui::FolderAdd> m_ui;
};
