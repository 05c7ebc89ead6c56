#pragma once

#include "browser/EditMode.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "ui/AutoNew.h"
#include "ui/Form.h"
#include "ui/ImageList.h"

#include <QPoint>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class SSNode;
class SSTree;
namespace Ui {
class AccountBrowse;
}

// The account list window. Its public variables are shared by all windows
// of the component while the list is open.
class AccountBrowse : public Form {
public:
    AccountBrowse();
    ~AccountBrowse() override;

    AutoNew<Connection> basTable;
    std::shared_ptr<Recordset> basCopyRs;
    SSNode *atNode = nullptr;
    QString basNodeKey;
    QString basAU;
    QString basconnStr;

    // Copies the string and shows the window modally until it closes.
    void showAccountForm(const QString &connStr);

    // The buttons for the root node.
    void enableButton();
    // Despite its name: every command button off, "close" aside.
    void enableAllButton();
    // Deletes every row beneath P_ID, deepest first, then P_ID's own row.
    void DeleteChild(const QString &P_ID);

    // Runs a statement that changes one row; false when it matched none.
    bool changesRow(const QString &statement);
    // Whether the row of the key is still in the table.
    bool isStored(const QString &key);
    // Tells the user that the node's row is gone, and shows what is stored
    // once the dialogs of the list have closed.
    void reportGone(const SSNode *node);

    // The window's controls; touching one loads the window.
    SSTree *SSTree1();
    QAction *button(const QString &key);
    const ImageList &ImageList1() const { return m_imageList1; }

    // Levels deeper than this are not shown: Qt's tree view lays out expanded
    // levels recursively and gives out at about 30 000.
    static constexpr int maxTreeDepth = 10000;

protected:
    void setupWidget(FormDialog *dialog) override;
    void Form_Load() override;
    void Form_Unload() override;
    void Form_Resize() override;
    void Form_KeyDown(int &KeyCode, int Shift) override;

private:
    // One row of a level, as the load reads it.
    struct LoadRow {
        QString kind;
        QString parentKey;
        QVariant number;
        QString name;
    };
    struct Level {
        qint32 parentKey = 0;
        std::shared_ptr<Recordset> open; // the outermost level's, read as the load goes
        std::vector<LoadRow> rows; // a deeper level's, read whole
        size_t next = 0;
        std::optional<QString> failure; // what ended the reading of `rows`
    };

    void InitTree();
    void buildTree();
    void showStoredIfChanged();
    void LoadChild(qint32 p_val);
    void openLevel(std::vector<Level> &levels, QSet<qint32> &path, qint32 p_val);
    static void readWhole(Level &level, Recordset &rows);
    static LoadRow rowOf(const Recordset &row);
    std::optional<qint32> nextChild(Level &level);
    void addRowNode(const LoadRow &row);
    bool mayDescend(const std::vector<Level> &levels, const QSet<qint32> &path, qint32 key);

    void SSTree1_NodeClick(SSNode *node);
    void SSTree1_MouseDown(int Button, int Shift, double x, double y);
    void SSTree1_MouseMove(int Button, int Shift, double x, double y);
    void SSTree1_DragOver(double x, double y, int State);
    void SSTree1_DragDrop(double x, double y);
    void SSTree1_AfterLabelEdit(SSNode *node, bool *Cancel, const QString &NewString);
    void moveNode(SSNode *dragged, SSNode *target);
    void scrollWhileDragging(SSNode *under);
    void connectTreeEvents(FormDialog *dialog);
    void describeButtons();
    bool runKeyCommand(int KeyCode, int Shift);
    void afterThisKey(std::function<void()> step);
    void SSTree1_ContextMenu(SSNode *node, QPoint at);
    void Toolbar1_ButtonClick(QAction *button);
    enum class Deletion { RowOnly, WithSubtree };
    void deleteSelected(Deletion deletion);
    void openFolderDialog(EditMode mode, const QString &caption, bool withCurrentName);
    void openNewAccount();
    void openStoredAccount(EditMode mode, const QString &caption);
    void loadAccountData();
    void removeNode(const QString &key);
    QStringList childKeys(const QString &key);
    void setButtons(const std::initializer_list<std::pair<const char *, bool>> &states);

    std::unique_ptr<Ui::AccountBrowse> m_ui;
    ImageList m_imageList1;
    bool m_depthReported = false;
    bool m_nodeChosen = false; // since this showing of the window began
    bool m_storedChanged = false; // the tree no longer shows what is stored
    bool m_keyCommandPending = false;

    // The node under the last press on the tree, and whether it is being dragged.
    SSNode *dragNode = nullptr;
    bool isDragging = false;
};
