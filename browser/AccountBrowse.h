#pragma once

#include "component/AutoNew.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "ui/Form.h"

#include <QString>

#include <memory>

class QTreeWidgetItem;

// The account list window. Its public variables are shared by all windows
// of the component while the list is open.
class AccountBrowse : public Form {
public:
    AutoNew<Connection> basTable;
    std::shared_ptr<Recordset> basCopyRs;
    QTreeWidgetItem *atNode = nullptr;
    QString basNodeKey;
    QString basAU;
    QString basconnStr;

    // Copies the string and shows the window modally until it closes.
    void showAccountForm(const QString &connStr);

protected:
    void setupWidget(FormDialog *dialog) override;
    void Form_Load() override;
    void Form_Unload() override;

private:
    void InitTree();
};
