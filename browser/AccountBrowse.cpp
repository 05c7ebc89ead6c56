#include "AccountBrowse.h"

#include "ui_AccountBrowse.h"

#include "browser/EditMode.h"
#include "browser/NodeLook.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "store/AccountStatements.h"
#include "ui/BusyCursor.h"
#include "ui/EventMasks.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Forms.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>

#include <cmath>

namespace Statements = AccountStatements;

namespace {

constexpr int treeMarginTwips = 600;

// Hit tests take whole numbers; halves go to the even neighbour.
int nearest(double coordinate)
{
    return int(std::nearbyint(coordinate));
}

// The text of a node that must be there; none is a failure like any other.
QString textOf(const SSNode *node)
{
    if (!node)
        throw TreeError(QStringLiteral("Object variable not set: no node"));
    return node->text();
}

// The toolbar's commands, in its order: what a tooltip and a screen reader
// say of each, and the key that runs it from the tree.
struct Command {
    const char *key;
    const char *description;
    QKeyCombination keys; // none: no key of its own
    const char *keyName;
};
constexpr Command commands[]
    = {{"addf", "フォルダを追加", Qt::SHIFT | Qt::Key_Insert, "Shift+Insert"},
        {"updatef", "フォルダ名を修正", {}, nullptr},
        {"delf", "フォルダを削除", QKeyCombination(Qt::Key_Delete), "Delete"},
        {"add", "アカウントを追加", QKeyCombination(Qt::Key_Insert), "Insert"},
        {"update", "アカウントを修正", QKeyCombination(Qt::Key_Return), "Enter"},
        {"copy", "アカウントを複写", Qt::CTRL | Qt::Key_D, "Ctrl+D"},
        {"del", "アカウントを削除", QKeyCombination(Qt::Key_Delete), "Delete"},
        {"close", "閉じる", {}, nullptr}};

const QString accountGone = QStringLiteral("このアカウントはすでに削除されています。");
const QString folderGone = QStringLiteral("このフォルダはすでに削除されています。");

} // namespace

AccountBrowse::AccountBrowse() = default;
AccountBrowse::~AccountBrowse() = default;

void AccountBrowse::showAccountForm(const QString &connStr)
{
    basconnStr = connStr;
    showModal();
}

void AccountBrowse::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::AccountBrowse>();
    m_ui->setupUi(dialog);
    dialog->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    dialog->setKeyPreview(true);
    // Made once: an icon keeps its drawn pictures, so a later opening of the
    // window neither reads the image files again nor draws them again. The
    // toolbar's icons from the layout are replaced for the same reason.
    if (m_imageList1.count() == 0)
        m_imageList1 = treeImages();
    int image = 0;
    for (QAction *action : m_ui->Toolbar1->actions())
        if (!action->isSeparator())
            action->setIcon(toolbarImage(image++));
    describeButtons();
    m_ui->SSTree1->setAccessibleName(dialog->windowTitle());
    connectTreeEvents(dialog);
    QObject::connect(m_ui->Toolbar1, &QToolBar::actionTriggered, dialog, [this](QAction *action) {
        guardEvent([&] { Toolbar1_ButtonClick(action); });
        // After whatever box the command showed.
        showStoredIfChanged();
    });
}

// The two "追加" buttons, and the other pairs, differ only in their group;
// a tooltip and a screen reader say which, and name the command's key.
void AccountBrowse::describeButtons()
{
    for (const Command &command : commands) {
        QAction *action = button(QLatin1String(command.key));
        const QString description = QString::fromUtf8(command.description);
        action->setToolTip(command.keyName
                ? QStringLiteral("%1 (%2)").arg(description, QLatin1String(command.keyName))
                : description);
        m_ui->Toolbar1->widgetForAction(action)->setAccessibleName(description);
    }
}

void AccountBrowse::connectTreeEvents(FormDialog *dialog)
{
    SSTree *tree = m_ui->SSTree1;
    QObject::connect(tree, &SSTree::nodeClick, dialog,
        [this](SSNode *node) { guardEvent([&] { SSTree1_NodeClick(node); }); });
    QObject::connect(
        tree, &SSTree::mouseDown, dialog, [this](int button, int shift, double x, double y) {
            guardEvent([&] { SSTree1_MouseDown(button, shift, x, y); });
        });
    QObject::connect(
        tree, &SSTree::mouseMove, dialog, [this](int button, int shift, double x, double y) {
            guardEvent([&] { SSTree1_MouseMove(button, shift, x, y); });
        });
    QObject::connect(tree, &SSTree::dragOver, dialog, [this](double x, double y, int state) {
        guardEvent([&] { SSTree1_DragOver(x, y, state); });
    });
    QObject::connect(tree, &SSTree::dragDrop, dialog,
        [this](double x, double y) { guardEvent([&] { SSTree1_DragDrop(x, y); }); });
    QObject::connect(tree, &SSTree::contextMenu, dialog,
        [this](SSNode *node, QPoint at) { guardEvent([&] { SSTree1_ContextMenu(node, at); }); });
    QObject::connect(tree, &SSTree::afterLabelEdit, dialog,
        [this](SSNode *node, bool *cancel, const QString &text) {
            guardEvent([&] { SSTree1_AfterLabelEdit(node, cancel, text); });
        });
}

SSTree *AccountBrowse::SSTree1()
{
    widget();
    return m_ui->SSTree1;
}

QAction *AccountBrowse::button(const QString &key)
{
    widget();
    for (QAction *action : m_ui->Toolbar1->actions())
        if (action->objectName() == key && !action->isSeparator())
            return action;
    throw Failure(QStringLiteral("Invalid key: no button \"%1\"").arg(key));
}

void AccountBrowse::Form_Load()
{
    InitTree();
    enableAllButton();
}

void AccountBrowse::InitTree()
{
    runOn([&] { basTable->setConnectionString(basconnStr); });
    runOn([&] { basTable->open(); });
    buildTree();
}

void AccountBrowse::buildTree()
{
    const BusyCursor busy;
    SSTree *tree = SSTree1();
    m_depthReported = false;
    m_storedChanged = false;
    m_keyCommandPending = false;
    dragNode = nullptr;
    isDragging = false;
    m_nodeChosen = false;
    runOn([&] { tree->setImageList(&m_imageList1); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] { tree->setRedraw(false); });
    runOn([&] { tree->clearNodes(); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] {
        atNode = tree->addNode(QString(), 0, QStringLiteral("0"), QStringLiteral("ｱｶｳﾝﾄ"),
            QString(), QString(), QStringLiteral("0"));
    });
    runOn([&] {
        atNode->setFontBold(false);
        atNode->setFontSize(10);
        atNode->setForeColor(QColor(200, 160, 50));
        atNode->setImage(QStringLiteral("root"));
        atNode->setExpandedImage(QStringLiteral("root"));
    });
    runOn([&] { LoadChild(0); });
    runOn([&] { tree->setTopNode(tree->nodeAt(tree->nodeCount())->rootNode()); });
    runOn([&] { tree->setNodeIndentation(250.0f); });
    runOn([&] { tree->setRedraw(true); });
}

// Descends depth first with a stack of its own rather than native recursion,
// so that no chain of rows can overflow the stack. The outermost level's rows
// are read as the load goes, so that its statement holds one read lock for
// the whole load; every deeper level is read whole and its statement closed
// before the descent, or the engine would walk a list of open statements as
// long as the tree is deep at every query. A level that fails reports once
// and ends, leaving the level above to carry on with its next row.
void AccountBrowse::LoadChild(qint32 p_val)
{
    std::vector<Level> levels;
    QSet<qint32> path;
    openLevel(levels, path, p_val);
    while (!levels.empty()) {
        std::optional<qint32> child;
        if (reportAndStop([&] { child = nextChild(levels.back()); }) && child) {
            if (mayDescend(levels, path, *child))
                openLevel(levels, path, *child);
            continue;
        }
        if (levels.back().open)
            levels.back().open->close();
        path.remove(levels.back().parentKey);
        levels.pop_back();
    }
}

void AccountBrowse::openLevel(std::vector<Level> &levels, QSet<qint32> &path, qint32 p_val)
{
    std::shared_ptr<Recordset> rows;
    if (!reportAndStop([&] { rows = basTable->execute(Statements::children(p_val)); }))
        return;
    Level level;
    level.parentKey = p_val;
    if (levels.empty())
        level.open = std::move(rows);
    else
        readWhole(level, *rows);
    levels.push_back(std::move(level));
    path.insert(p_val);
}

// A row that cannot be read ends the reading; the failure is reported when
// the load reaches that row, as if it had been read there.
void AccountBrowse::readWhole(Level &level, Recordset &rows)
{
    try {
        for (; !rows.isEOF(); rows.moveNext())
            level.rows.push_back(rowOf(rows));
    } catch (...) {
        level.failure = currentFailureText();
    }
    rows.close();
}

AccountBrowse::LoadRow AccountBrowse::rowOf(const Recordset &row)
{
    return {row.text(QStringLiteral("KIND")), row.text(QStringLiteral("P_ACCOUNT_NO")),
        row.value(QStringLiteral("ACCOUNT_NO")), row.text(QStringLiteral("NAME"))};
}

// A row that names one of its own ancestors would lead the load round in a
// circle for ever; a chain deeper than the view can lay out is cut off.
bool AccountBrowse::mayDescend(
    const std::vector<Level> &levels, const QSet<qint32> &path, qint32 key)
{
    if (path.contains(key))
        return false;
    if (static_cast<int>(levels.size()) < maxTreeDepth)
        return true;
    if (!m_depthReported) {
        m_depthReported = true;
        MessageBox::show(
            QStringLiteral("階層が深すぎるため、%1 階層より下のアカウントは表示されません。")
                .arg(maxTreeDepth));
    }
    return false;
}

// The next row of a level: its node is made and its key returned, so that
// its children load before the level's next row is taken.
std::optional<qint32> AccountBrowse::nextChild(Level &level)
{
    std::optional<LoadRow> row;
    if (level.open) {
        if (level.next++ > 0)
            level.open->moveNext();
        if (!level.open->isEOF())
            row = rowOf(*level.open);
    } else if (level.next < level.rows.size()) {
        row = level.rows[level.next++];
    } else if (level.failure) {
        throw Failure(*std::exchange(level.failure, std::nullopt));
    }
    if (!row)
        return std::nullopt;
    addRowNode(*row);
    return wholeNumber32(row->number);
}

// The account's marker is the same text as its key.
void AccountBrowse::addRowNode(const LoadRow &row)
{
    if (row.kind != u"F" && row.kind != u"A")
        return;
    const QString key = row.number.toString();
    SSTree *tree = m_ui->SSTree1;
    if (row.kind == u"F")
        showAsFolder(tree->addNode(row.parentKey, SSTree::tvwChild, key, row.name, QString(),
            QString(), QStringLiteral("0")));
    else
        showAsAccount(tree->addNode(
            row.parentKey, SSTree::tvwChild, key, row.name, QString(), QString(), key));
}

void AccountBrowse::SSTree1_NodeClick(SSNode *node)
{
    m_nodeChosen = true;
    runOn([&] { basNodeKey = node->key(); });
    runOn([&] {
        if (wholeNumber(node->key()) == 0) {
            enableButton();
        } else if (node->image() == u"account") {
            setButtons({{"addf", false}, {"updatef", false}, {"delf", false}, {"add", false},
                {"update", true}, {"copy", true}, {"del", true}});
        } else {
            setButtons({{"addf", true}, {"updatef", true}, {"delf", true}, {"add", true},
                {"update", false}, {"copy", false}, {"del", false}});
        }
    });
}

void AccountBrowse::setButtons(const std::initializer_list<std::pair<const char *, bool>> &states)
{
    for (const auto &[key, enabled] : states)
        button(QString::fromLatin1(key))->setEnabled(enabled);
}

void AccountBrowse::enableButton()
{
    setButtons({{"addf", true}, {"updatef", false}, {"delf", false}, {"add", true},
        {"update", false}, {"copy", false}, {"del", false}});
}

void AccountBrowse::enableAllButton()
{
    setButtons({{"addf", false}, {"updatef", false}, {"delf", false}, {"add", false},
        {"update", false}, {"copy", false}, {"del", false}});
}

void AccountBrowse::Form_Resize()
{
    FormDialog *dialog = widget();
    SSTree *tree = m_ui->SSTree1;
    const int clientHeight = pixelsToTwips(dialog->height());
    const int clientWidth = dialog->width();
    m_ui->Toolbar1->resize(clientWidth, m_ui->Toolbar1->height());
    runOn([&] {
        const float height = float(clientHeight) - float(treeMarginTwips);
        if (height < 0)
            throw Failure(QStringLiteral("Invalid property value"));
        const int pixels = twipsToPixels(int(height));
        tree->setGeometry(0, dialog->height() - pixels, tree->width(), pixels);
    });
    runOn([&] { tree->resize(clientWidth, tree->height()); });
}

void AccountBrowse::Toolbar1_ButtonClick(QAction *button)
{
    const QString key = button->objectName();
    if (key == u"addf")
        openFolderDialog(auAddFolder, QStringLiteral("アカウントフォルダの追加"), false);
    else if (key == u"updatef")
        openFolderDialog(auUpdateFolder, QStringLiteral("アカウントフォルダの修正"), true);
    else if (key == u"delf")
        deleteSelected(Deletion::WithSubtree);
    else if (key == u"add")
        openNewAccount();
    else if (key == u"update")
        openStoredAccount(auUpdateAccount, QStringLiteral("アカウント修正"));
    else if (key == u"del")
        deleteSelected(Deletion::RowOnly);
    else if (key == u"copy")
        openStoredAccount(auCopyAccount, QStringLiteral("アカウント複写"));
    else if (key == u"close")
        unload();
}

void AccountBrowse::openFolderDialog(EditMode mode, const QString &caption, bool withCurrentName)
{
    FolderAdd &dialog = Forms::folderAdd();
    basAU = modeText(mode);
    dialog.setCaption(caption);
    if (withCurrentName)
        dialog.Text1()->setText(m_ui->SSTree1->node(basNodeKey)->text());
    dialog.showModal();
}

void AccountBrowse::openNewAccount()
{
    AccountAdd &editor = Forms::accountAdd();
    basAU = modeText(auAddAccount);
    editor.textBox(QStringLiteral("Text5"))->setText(QStringLiteral("25"));
    editor.textBox(QStringLiteral("Text7"))->setText(QStringLiteral("110"));
    Forms::sign().setSignature(QString());
    editor.setCaption(QStringLiteral("アカウント追加"));
    editor.showModal();
}

void AccountBrowse::openStoredAccount(EditMode mode, const QString &caption)
{
    basAU = modeText(mode);
    basCopyRs = basTable->execute(Statements::readRow(basNodeKey));
    // Another program may have deleted the row since the tree was loaded.
    if (basCopyRs->isEOF()) {
        MessageBox::show(accountGone);
        return;
    }
    // The row stays in hand while the editor is open; its statement must not
    // keep the host's mail client from writing to the table meanwhile.
    basCopyRs->keepCurrentRowOnly();
    loadAccountData();
    AccountAdd &editor = Forms::accountAdd();
    editor.setCaption(caption);
    editor.showModal();
}

// Stored values go into a fresh editor; a null or empty one leaves its box as
// it is. The signature is always replaced, with the empty text for a null.
void AccountBrowse::loadAccountData()
{
    for (const auto &[column, box] : Forms::accountAdd().boxes()) {
        const QVariant value = basCopyRs->value(column);
        if (value.isNull() || value.toString().isEmpty())
            continue;
        box->setText(basCopyRs->text(column));
    }
    Forms::sign().setSignature(basCopyRs->text(QStringLiteral("TEXT_SIG")));
}

// The folder or account chosen last goes from the tree and from the table,
// a folder with everything beneath it, once the user has agreed. A folder's
// own row is deleted first, so that a chain of rows leading back to it ends
// there, and DeleteChild deletes it once more at its end, finding nothing.
void AccountBrowse::deleteSelected(Deletion deletion)
{
    if (MessageBox::show(
            QStringLiteral("削除してもよろしいですか。"), MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    try {
        removeNode(basNodeKey);
        basTable->execute(Statements::deleteRow(basNodeKey));
        if (deletion == Deletion::WithSubtree)
            DeleteChild(QString(basNodeKey));
    } catch (...) {
        // The nodes went before their rows, and some rows may still be there.
        m_storedChanged = true;
        throw;
    }
    enableAllButton();
}

// Node references held by the window must not outlive the nodes they name.
void AccountBrowse::removeNode(const QString &key)
{
    SSTree *tree = m_ui->SSTree1;
    const SSNode *removed = tree->node(key);
    for (SSNode **held : {&atNode, &dragNode})
        for (const SSNode *node = *held; node; node = node->parentNode())
            if (node == removed) {
                *held = nullptr;
                break;
            }
    tree->removeNode(key);
}

// Each level's children are read whole and their result set closed before
// the descent, so no query is open while a delete runs, and the walk keeps
// its own stack so that no depth of folders can overflow the native one.
void AccountBrowse::DeleteChild(const QString &P_ID)
{
    const BusyCursor busy;
    struct Level {
        QString key;
        QStringList children;
        qsizetype next = 0;
    };
    std::vector<Level> levels;
    levels.push_back({P_ID, childKeys(P_ID)});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next < level.children.size()) {
            const QString child = level.children.at(level.next++);
            levels.push_back({child, childKeys(child)});
            continue;
        }
        basTable->execute(Statements::deleteRow(level.key));
        levels.pop_back();
    }
}

QStringList AccountBrowse::childKeys(const QString &key)
{
    QStringList keys;
    const auto rows = basTable->execute(Statements::childKeys(key));
    for (; !rows->isEOF(); rows->moveNext())
        keys << rows->text(QStringLiteral("ACCOUNT_NO"));
    rows->close();
    return keys;
}

void AccountBrowse::Form_Unload()
{
    for (Form *dialog :
        std::initializer_list<Form *> {&Forms::accountAdd(), &Forms::folderAdd(), &Forms::sign()})
        if (dialog->isLoaded())
            dialog->unload();
    // Closing a connection that never opened is harmless here, so the window
    // always closes and the host's call returns.
    basTable->close();
}

void AccountBrowse::SSTree1_MouseDown(int, int, double x, double y)
{
    SSTree *tree = m_ui->SSTree1;
    dragNode = tree->hitTest(nearest(x), nearest(y));
    if (dragNode)
        tree->setSelectedNode(dragNode);
}

void AccountBrowse::SSTree1_MouseMove(int Button, int, double, double)
{
    if (Button != 1 || !dragNode)
        return;
    SSTree *tree = m_ui->SSTree1;
    isDragging = true;
    SSNode *selected = tree->selectedNode();
    tree->setDragIcon(selected ? selected->dragImage() : dragNode->dragImage());
    tree->beginDrag();
}

void AccountBrowse::SSTree1_DragOver(double x, double y, int)
{
    if (!isDragging)
        return;
    // Any failure while following the pointer just ends the step quietly.
    runOn([&] {
        SSTree *tree = m_ui->SSTree1;
        SSNode *under = tree->hitTest(nearest(x), nearest(y));
        tree->setDropHighlight(under);
        scrollWhileDragging(under);
    });
}

// On the last visible line the view moves down a line; on the top line it
// moves up a line, into the last expanded descendant of the previous sibling.
void AccountBrowse::scrollWhileDragging(SSNode *under)
{
    SSTree *tree = m_ui->SSTree1;
    const QString underText = textOf(under);
    if (textOf(tree->nodeOnLine(tree->visibleCount())) == underText)
        tree->setTopNode(tree->nodeOnLine(2));
    SSNode *top = tree->topNode();
    if (textOf(top) != underText || (!top->previousSibling() && !top->parentNode()))
        return;
    SSNode *above = top->previousSibling();
    if (!above) {
        tree->setTopNode(top->parentNode());
        return;
    }
    while (above->expanded()) {
        if (!above->firstChild())
            throw TreeError(
                QStringLiteral("Object variable not set: an expanded node without children"));
        above = above->firstChild()->lastSibling();
    }
    tree->setTopNode(above);
}

void AccountBrowse::SSTree1_DragDrop(double, double)
{
    SSTree *tree = m_ui->SSTree1;
    // However the drop ends, the highlight goes and the drag is over.
    const auto endDrag = qScopeGuard([&] {
        tree->setDropHighlight(nullptr);
        isDragging = false;
    });
    SSNode *target = tree->dropHighlight();
    if (!target || textOf(target) == textOf(dragNode))
        return;
    moveNode(dragNode, target);
}

void AccountBrowse::moveNode(SSNode *dragged, SSNode *target)
{
    if (target->markerText() != u"0")
        return;
    if (target->key() != u"0") {
        for (SSNode *above = target->parentNode(); above && above->key() != u"0";
             above = above->parentNode()) {
            if (above->text() == dragged->text()) {
                MessageBox::show(QStringLiteral("この場所への移動はできません"));
                return;
            }
        }
    }
    if (dragged->key() == u"0")
        return;
    if (target->key() != u"0" && !isStored(target->key())) {
        reportGone(target);
        return;
    }
    if (!changesRow(Statements::move(target->key(), dragged->key()))) {
        reportGone(dragged);
        return;
    }
    dragged->setParentNode(target);
}

void AccountBrowse::SSTree1_AfterLabelEdit(SSNode *node, bool *Cancel, const QString &NewString)
{
    // Until a node is chosen in this showing of the window there is no row to
    // name (basNodeKey may still hold a key from an earlier showing), and a
    // label of any other node than the chosen one names a row the user did
    // not choose: the label goes back to what it was.
    if (!m_nodeChosen || !node || node->key() != basNodeKey) {
        *Cancel = true;
        return;
    }
    // A label that could not be stored goes back to the stored name.
    *Cancel = true;
    const bool stored = changesRow(Statements::renameLabel(NewString, basNodeKey));
    *Cancel = false;
    // The root is no row: its label lasts only while the window is open.
    if (!stored && node->key() != u"0")
        reportGone(node);
}

void AccountBrowse::Form_KeyDown(int &KeyCode, int Shift)
{
    // The box in which a label is edited is part of the tree.
    const QWidget *focus = QApplication::focusWidget();
    const SSTree *tree = m_ui->SSTree1;
    if (!focus || (focus != tree && !tree->isAncestorOf(focus)))
        return;
    const bool ctrlAlone = Shift == shiftMask(Qt::ControlModifier);
    if ((KeyCode == Qt::Key_X || KeyCode == Qt::Key_C || KeyCode == Qt::Key_V) && ctrlAlone)
        KeyCode = 0;
    else if (focus == tree && runKeyCommand(KeyCode, Shift))
        KeyCode = 0;
}

// A key of the tree's own runs the toolbar command it stands for, through
// the toolbar's action, so that a command switched off for the chosen node
// does nothing; the menu key and Shift+F10 open the chosen node's menu. A
// command runs once the key has been dealt with: a dialog opened while the
// key is still being matched against shortcuts would leave its own keys
// unmatched. The key is seen twice, as a shortcut override and as a press,
// and runs its command once.
bool AccountBrowse::runKeyCommand(int KeyCode, int Shift)
{
    if (KeyCode == Qt::Key_Menu
        || (KeyCode == Qt::Key_F10 && Shift == shiftMask(Qt::ShiftModifier))) {
        afterThisKey([this] { m_ui->SSTree1->askMenuOfSelected(); });
        return true;
    }
    // The keypad's Enter is Enter too.
    const QKeyCombination pressed(keyboardModifiers(Shift),
        static_cast<Qt::Key>(KeyCode == Qt::Key_Enter ? int(Qt::Key_Return) : KeyCode));
    bool known = false;
    for (const Command &command : commands) {
        if (!command.keyName || pressed != command.keys)
            continue;
        known = true;
        // Delete stands for both deletes; only the one for the chosen kind is on.
        if (QAction *action = button(QLatin1String(command.key)); action->isEnabled()) {
            afterThisKey([action] { action->trigger(); });
            break;
        }
    }
    return known;
}

void AccountBrowse::afterThisKey(std::function<void()> step)
{
    if (m_keyCommandPending)
        return;
    m_keyCommandPending = true;
    QMetaObject::invokeMethod(
        widget(),
        [this, step = std::move(step)] {
            m_keyCommandPending = false;
            guardEvent(step);
        },
        Qt::QueuedConnection);
}

void AccountBrowse::SSTree1_ContextMenu(SSNode *, QPoint at)
{
    QMenu menu(m_ui->SSTree1);
    menu.setObjectName(QStringLiteral("SSTree1Menu"));
    for (QAction *action : m_ui->Toolbar1->actions()) {
        if (action->objectName() == u"close")
            break;
        if (action->isSeparator())
            menu.addSeparator();
        else
            menu.addAction(action);
    }
    menu.exec(at);
}

bool AccountBrowse::changesRow(const QString &statement)
{
    basTable->execute(statement);
    return basTable->rowsAffected() != 0;
}

bool AccountBrowse::isStored(const QString &key)
{
    return !basTable->execute(Statements::readRow(key))->isEOF();
}

// Another program deleted the row while the window was open. Once no
// dialog of the list is open any more, the tree shows what is stored.
void AccountBrowse::reportGone(const SSNode *node)
{
    MessageBox::show(node->image() == u"account" ? accountGone : folderGone);
    m_storedChanged = true;
    QMetaObject::invokeMethod(
        widget(), [this] { showStoredIfChanged(); }, Qt::QueuedConnection);
}

void AccountBrowse::showStoredIfChanged()
{
    if (!m_storedChanged || !isLoaded() || Forms::accountAdd().isLoaded()
        || Forms::folderAdd().isLoaded())
        return;
    buildTree();
    enableAllButton();
}
