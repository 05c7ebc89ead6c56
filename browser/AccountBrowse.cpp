#include "AccountBrowse.h"

#include "ui_AccountBrowse.h"

#include "browser/NodeLook.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "store/DbError.h"
#include "store/Template.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include <cmath>
#include <limits>

namespace {

constexpr int treeMarginTwips = 600;

const QString moveTemplate
    = QStringLiteral("UPDATE %tablename SET %parentkey = %p_val WHERE %key = %val");

const QString childrenTemplate
    = QStringLiteral("SELECT * FROM %tablename WHERE %parentkey = %p_val ORDER BY %key");

QString childrenStatement(qint32 p_val)
{
    return fillTemplate(childrenTemplate,
        {{QStringLiteral("%tablename"), QStringLiteral("ACCOUNT")},
            {QStringLiteral("%parentkey"), QStringLiteral("P_ACCOUNT_NO")},
            {QStringLiteral("%key"), QStringLiteral("ACCOUNT_NO")},
            {QStringLiteral("%p_val"), QString::number(p_val)}});
}

QString withKey(const QString &statementTemplate, const QString &key)
{
    return fillTemplate(statementTemplate, {{QStringLiteral("%1"), key}});
}

const QString readTemplate = QStringLiteral("select * from ACCOUNT where ACCOUNT_no= %1");
const QString deleteTemplate = QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= %1");
const QString childKeysTemplate
    = QStringLiteral("select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= %1");

QString moveStatement(const QString &targetKey, const QString &draggedKey)
{
    return fillTemplate(moveTemplate,
        {{QStringLiteral("%tablename"), QStringLiteral("ACCOUNT")},
            {QStringLiteral("%parentkey"), QStringLiteral("P_ACCOUNT_NO")},
            {QStringLiteral("%key"), QStringLiteral("ACCOUNT_NO")},
            {QStringLiteral("%p_val"), targetKey}, {QStringLiteral("%val"), draggedKey}});
}

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

// A 32-bit whole number, as the load's parent numbers are: a larger value
// fails, where QVariant::toInt would wrap it onto another row's number.
qint32 wholeNumber(const QVariant &value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok)
        throw DbError(
            QStringLiteral("Type mismatch: \"%1\" is not a whole number").arg(value.toString()));
    if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        throw DbError(QStringLiteral("Overflow: %1 is not a 32-bit whole number").arg(number));
    return qint32(number);
}

// A key by its full value: the root's is 0.
bool isRootKey(const QString &key)
{
    bool ok = false;
    const qint64 value = key.toLongLong(&ok);
    if (!ok)
        throw DbError(QStringLiteral("Type mismatch: \"%1\" is not a whole number").arg(key));
    return value == 0;
}

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
    connectTreeEvents(dialog);
    QObject::connect(m_ui->Toolbar1, &QToolBar::actionTriggered, dialog, [this](QAction *action) {
        guardEvent([&] { Toolbar1_ButtonClick(action); });
        // After whatever box the command showed.
        showStoredIfChanged();
    });
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
    throw DbError(QStringLiteral("Invalid key: no button \"%1\"").arg(key));
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
    SSTree *tree = SSTree1();
    m_depthReported = false;
    m_storedChanged = false;
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
// so that no chain of rows can overflow the stack. Each level keeps its rows
// open while the levels beneath it load, and a level that fails reports once
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
        levels.back().rows->close();
        path.remove(levels.back().parentKey);
        levels.pop_back();
    }
}

void AccountBrowse::openLevel(std::vector<Level> &levels, QSet<qint32> &path, qint32 p_val)
{
    std::shared_ptr<Recordset> rows;
    if (!reportAndStop([&] { rows = basTable->execute(childrenStatement(p_val)); }))
        return;
    levels.push_back({p_val, std::move(rows)});
    path.insert(p_val);
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
// its children load before the level's next row is read.
std::optional<qint32> AccountBrowse::nextChild(Level &level)
{
    if (level.descended) {
        level.descended = false;
        level.rows->moveNext();
    }
    if (level.rows->isEOF())
        return std::nullopt;
    addRowNode(*level.rows);
    level.descended = true;
    return wholeNumber(level.rows->value(QStringLiteral("ACCOUNT_NO")));
}

// Each field is read once: the account's marker is the same text as its key.
void AccountBrowse::addRowNode(Recordset &row)
{
    const QString kind = row.text(QStringLiteral("KIND"));
    if (kind != u"F" && kind != u"A")
        return;
    const QString parentKey = row.text(QStringLiteral("P_ACCOUNT_NO"));
    const QString key = row.text(QStringLiteral("ACCOUNT_NO"));
    const QString name = row.text(QStringLiteral("NAME"));
    SSTree *tree = m_ui->SSTree1;
    if (kind == u"F")
        showAsFolder(tree->addNode(
            parentKey, SSTree::tvwChild, key, name, QString(), QString(), QStringLiteral("0")));
    else
        showAsAccount(
            tree->addNode(parentKey, SSTree::tvwChild, key, name, QString(), QString(), key));
}

void AccountBrowse::SSTree1_NodeClick(SSNode *node)
{
    m_nodeChosen = true;
    runOn([&] { basNodeKey = node->key(); });
    runOn([&] {
        if (isRootKey(node->key())) {
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
            throw DbError(QStringLiteral("Invalid property value"));
        const int pixels = twipsToPixels(int(height));
        tree->setGeometry(0, dialog->height() - pixels, tree->width(), pixels);
    });
    runOn([&] { tree->resize(clientWidth, tree->height()); });
}

void AccountBrowse::Toolbar1_ButtonClick(QAction *button)
{
    const QString key = button->objectName();
    if (key == u"addf")
        openFolderDialog(QStringLiteral("1"), QStringLiteral("アカウントフォルダの追加"), false);
    else if (key == u"updatef")
        openFolderDialog(QStringLiteral("2"), QStringLiteral("アカウントフォルダの修正"), true);
    else if (key == u"delf")
        deleteSelected(true);
    else if (key == u"add")
        openNewAccount();
    else if (key == u"update")
        openStoredAccount(QStringLiteral("6"), QStringLiteral("アカウント修正"));
    else if (key == u"del")
        deleteSelected(false);
    else if (key == u"copy")
        openStoredAccount(QStringLiteral("9"), QStringLiteral("アカウント複写"));
    else if (key == u"close")
        unload();
}

void AccountBrowse::openFolderDialog(
    const QString &mode, const QString &caption, bool withCurrentName)
{
    FolderAdd &dialog = Forms::folderAdd();
    basAU = mode;
    dialog.setCaption(caption);
    if (withCurrentName)
        dialog.Text1()->setText(m_ui->SSTree1->node(basNodeKey)->text());
    dialog.showModal();
}

void AccountBrowse::openNewAccount()
{
    AccountAdd &editor = Forms::accountAdd();
    basAU = QStringLiteral("5");
    editor.Text5()->setText(QStringLiteral("25"));
    editor.Text7()->setText(QStringLiteral("110"));
    Forms::sign().setSignature(QString());
    editor.setCaption(QStringLiteral("アカウント追加"));
    editor.showModal();
}

void AccountBrowse::openStoredAccount(const QString &mode, const QString &caption)
{
    basAU = mode;
    basCopyRs = basTable->execute(withKey(readTemplate, basNodeKey));
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
    AccountAdd &editor = Forms::accountAdd();
    const std::pair<const char *, QLineEdit *> boxes[] = {
        {"NAME", editor.Text1()},
        {"SENDER", editor.Text2()},
        {"MAIL_ADDRESS", editor.Text3()},
        {"SMTP_HOST", editor.Text4()},
        {"SMTP_PORT", editor.Text5()},
        {"POP_HOST", editor.Text6()},
        {"POP_PORT", editor.Text7()},
        {"USERID", editor.Text8()},
        {"PSWD", editor.Text9()},
        {"OFFICE_NAME", editor.TextOfficeName()},
        {"OFFICE_SECTION", editor.TextOfficeSection()},
        {"TEL_NUMBER", editor.TextTelNumber()},
        {"FAX_NUMBER", editor.TextFaxNumber()},
        {"ADDRESS1", editor.TextAddress1()},
        {"ADDRESS2", editor.TextAddress2()},
        {"HANDY", editor.TextHandy()},
    };
    for (const auto &[column, box] : boxes) {
        const QVariant value = basCopyRs->value(QLatin1String(column));
        if (value.isNull() || value.toString().isEmpty())
            continue;
        box->setText(basCopyRs->text(QLatin1String(column)));
    }
    Forms::sign().setSignature(basCopyRs->text(QStringLiteral("TEXT_SIG")));
}

// The folder or account chosen last goes from the tree and from the table,
// a folder with everything beneath it, once the user has agreed.
void AccountBrowse::deleteSelected(bool withSubtree)
{
    if (MessageBox::show(
            QStringLiteral("削除してもよろしいですか。"), MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    try {
        removeNode(basNodeKey);
        basTable->execute(withKey(deleteTemplate, basNodeKey));
        if (withSubtree)
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
        basTable->execute(withKey(deleteTemplate, level.key));
        levels.pop_back();
    }
}

QStringList AccountBrowse::childKeys(const QString &key)
{
    QStringList keys;
    const auto rows = basTable->execute(withKey(childKeysTemplate, key));
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
    if (!changesRow(moveStatement(target->key(), dragged->key()))) {
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
    QString name = NewString;
    const bool stored = changesRow(QStringLiteral("UPDATE ACCOUNT SET NAME='")
        + AccountAdd::DbSet(name) + QStringLiteral("' WHERE ACCOUNT_NO=") + basNodeKey);
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
    if ((KeyCode == 88 || KeyCode == 67 || KeyCode == 86) && Shift == 2)
        KeyCode = 0;
}

bool AccountBrowse::changesRow(const QString &statement)
{
    basTable->execute(statement);
    return basTable->rowsAffected() != 0;
}

bool AccountBrowse::isStored(const QString &key)
{
    return !basTable->execute(withKey(readTemplate, key))->isEOF();
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
