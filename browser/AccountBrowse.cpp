#include "AccountBrowse.h"

#include "ui_AccountBrowse.h"

#include "browser/AccountHistory.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "browser/TreeNodes.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include <QAction>

namespace {

constexpr int treeMarginTwips = 600;

} // namespace

AccountBrowse::AccountBrowse(AccountAdd &editor, FolderAdd &folderDialog, Sign &signDialog)
    : m_editor(editor)
    , m_folderDialog(folderDialog)
    , m_signDialog(signDialog)
    , m_drag(m_list)
    , m_history(m_list.history())
    , m_transfer(m_list)
{
}

AccountBrowse::~AccountBrowse() = default;

void AccountBrowse::showAccountForm(const QString &connStr)
{
    m_basconnStr = connStr;
    showModal();
}

void AccountBrowse::load(const QString &connStr)
{
    m_basconnStr = connStr;
    widget();
}

void AccountBrowse::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::AccountBrowse>();
    m_ui->setupUi(dialog);
    dialog->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    dialog->setKeyPreview(true);
    // Made once: an icon keeps its drawn pictures, so a later opening of the
    // window neither reads the image files again nor draws them again. For
    // the same reason the layout names no icon for the toolbar's buttons.
    if (m_imageList1.count() == 0)
        m_imageList1 = treeImages();
    int image = 0;
    for (QAction *action : m_ui->Toolbar1->actions())
        if (!action->isSeparator())
            action->setIcon(toolbarImage(image++));
    m_list.attach(m_ui->SSTree1, &m_imageList1);
    m_drag.attach(m_ui->SSTree1);
    m_commands.attach(m_ui->SSTree1, m_ui->Toolbar1, m_transfer);
    m_commands.describeButtons();
    m_history.attach(dialog);
    m_commands.attachHistory(m_history.undoAction(), m_history.redoAction());
    for (const bool back : {true, false})
        QObject::connect(back ? m_history.undoAction() : m_history.redoAction(),
            &QAction::triggered, dialog, [this, back] { handle([&] { takeHistoryStep(back); }); });
    m_ui->SSTree1->setAccessibleName(dialog->windowTitle());
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
        [this](SSNode *node) { handle([&] { SSTree1_NodeClick(node); }); });
    QObject::connect(
        tree, &SSTree::mouseDown, dialog, [this](int button, int shift, double x, double y) {
            handle([&] { m_drag.SSTree1_MouseDown(button, shift, x, y); });
        });
    QObject::connect(
        tree, &SSTree::mouseMove, dialog, [this](int button, int shift, double x, double y) {
            handle([&] { m_drag.SSTree1_MouseMove(button, shift, x, y); });
        });
    QObject::connect(tree, &SSTree::dragOver, dialog, [this](double x, double y, int state) {
        handle([&] { m_drag.SSTree1_DragOver(x, y, state); });
    });
    QObject::connect(tree, &SSTree::dragDrop, dialog,
        [this](double x, double y) { handle([&] { m_drag.SSTree1_DragDrop(x, y); }); });
    QObject::connect(tree, &SSTree::contextMenu, dialog,
        [this](SSNode *node, QPoint at) { handle([&] { m_commands.showMenu(node, at); }); });
    QObject::connect(tree, &SSTree::afterLabelEdit, dialog,
        [this](SSNode *node, bool *cancel, const QString &text) {
            handle([&] { SSTree1_AfterLabelEdit(node, cancel, text); });
        });
}

// Whatever the handler did not handle is reported. A tree that no longer
// shows what is stored is shown again once the event is over: a label edit
// or a drop may still be using the node it would remove.
void AccountBrowse::handle(const std::function<void()> &handler)
{
    guardEvent(handler);
    if (m_list.isStale())
        QMetaObject::invokeMethod(
            m_ui->SSTree1, [this] { showStoredIfChanged(); }, Qt::QueuedConnection);
}

SSTree *AccountBrowse::SSTree1()
{
    widget();
    return m_ui->SSTree1;
}

QAction *AccountBrowse::button(const QString &key)
{
    widget();
    return m_commands.button(key);
}

void AccountBrowse::Form_Load()
{
    m_drag.reset();
    m_commands.reset();
    m_list.open(m_basconnStr);
    enableAllButton();
}

void AccountBrowse::SSTree1_NodeClick(SSNode *node)
{
    runOn([&] { m_list.choose(node->key()); });
    runOn([&] {
        switch (kindOf(node)) {
        case NodeKind::Root:
            enableButton();
            break;
        case NodeKind::Account:
            setButtons({{"addf", false}, {"updatef", false}, {"delf", false}, {"add", false},
                {"update", true}, {"copy", true}, {"del", true}});
            break;
        case NodeKind::Folder:
            setButtons({{"addf", true}, {"updatef", true}, {"delf", true}, {"add", true},
                {"update", false}, {"copy", false}, {"del", false}});
            break;
        }
    });
}

void AccountBrowse::setButtons(std::initializer_list<std::pair<const char *, bool>> states)
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

void AccountBrowse::Form_KeyDown(int &KeyCode, int Shift)
{
    m_commands.keyDown(KeyCode, Shift);
}

void AccountBrowse::Toolbar1_ButtonClick(QAction *button)
{
    const QString key = button->objectName();
    if (key == u"addf")
        openFolderDialog(QStringLiteral("アカウントフォルダの追加"), false);
    else if (key == u"updatef")
        openFolderDialog(QStringLiteral("アカウントフォルダの修正"), true);
    else if (key == u"delf")
        deleteChosen(AccountList::Deletion::WithSubtree);
    else if (key == u"add")
        openNewAccount();
    else if (key == u"update")
        openStoredAccount(QStringLiteral("アカウント修正"), false);
    else if (key == u"del")
        deleteChosen(AccountList::Deletion::RowOnly);
    else if (key == u"copy")
        openStoredAccount(QStringLiteral("アカウント複写"), true);
    else if (key == u"close")
        unload();
}

// A row another program deleted meanwhile is reported, and the dialog stays
// open with the name as typed.
void AccountBrowse::openFolderDialog(const QString &caption, bool rename)
{
    const QString shown = rename ? m_list.chosenNode()->text() : QString();
    m_folderDialog.edit(caption, shown, [this, rename](const QString &name) {
        return toldIfGone(rename ? m_list.renameFolder(name) : m_list.addFolder(name));
    });
}

// The ports a new account starts with, and an empty signature even after
// an account with one was edited.
void AccountBrowse::openNewAccount()
{
    const QVariantMap presets = {{QStringLiteral("SMTP_PORT"), QStringLiteral("25")},
        {QStringLiteral("POP_PORT"), QStringLiteral("110")},
        {QStringLiteral("TEXT_SIG"), QString()}};
    m_editor.edit(QStringLiteral("アカウント追加"), presets,
        [this](const AccountStatements::AccountValues &values) {
            return toldIfGone(m_list.addAccount(values));
        });
}

void AccountBrowse::openStoredAccount(const QString &caption, bool copy)
{
    const std::optional<QVariantMap> stored = m_list.readAccount();
    if (!stored) {
        toldIfGone(AccountList::Outcome::AccountGone);
        return;
    }
    m_editor.edit(caption, *stored, [this, copy](const AccountStatements::AccountValues &values) {
        return toldIfGone(copy ? m_list.copyAccount(values) : m_list.updateAccount(values));
    });
}

void AccountBrowse::deleteChosen(AccountList::Deletion deletion)
{
    if (MessageBox::show(
            QStringLiteral("削除してもよろしいですか。"), MessageBox::Buttons::OkCancel)
        != MessageBox::Answer::Ok)
        return;
    m_list.deleteChosen(deletion);
    enableAllButton();
}

// The node the step concerns is chosen, as a click chooses it; with none
// left, nothing is, as after a delete.
void AccountBrowse::takeHistoryStep(bool back)
{
    const std::optional<QString> key = back ? m_list.history().undo() : m_list.history().redo();
    if (!key)
        return;
    SSTree *tree = m_ui->SSTree1;
    SSNode *node = key->isEmpty() ? nullptr : tree->findNode(*key);
    tree->setSelectedNode(node);
    if (!node) {
        enableAllButton();
        return;
    }
    tree->scrollToNode(node);
    SSTree1_NodeClick(node);
}

// Until a node is chosen in this showing of the window there is no row to
// name, and a label of any other node than the chosen one names a row the
// user did not choose: the label goes back to what it was, as it does when
// it could not be stored.
void AccountBrowse::SSTree1_AfterLabelEdit(SSNode *node, bool *Cancel, const QString &NewString)
{
    *Cancel = true;
    if (!m_list.hasChosen() || !node || node->key() != m_list.chosenKey())
        return;
    const AccountList::Outcome outcome = m_list.renameLabel(NewString);
    *Cancel = false;
    toldIfGone(outcome);
}

// A label being edited is taken first, as a click elsewhere would take it,
// while the connection is still open to store it.
void AccountBrowse::Form_Unload()
{
    guardEvent([this] { m_ui->SSTree1->finishLabelEdit(); });
    for (Form *dialog : std::initializer_list<Form *> {&m_editor, &m_folderDialog, &m_signDialog})
        if (dialog->isLoaded())
            dialog->unload();
    m_list.close();
}

// Once no dialog of the list is open any more, the tree shows what is stored.
void AccountBrowse::showStoredIfChanged()
{
    if (!m_list.isStale() || !isLoaded() || m_editor.isLoaded() || m_folderDialog.isLoaded())
        return;
    m_list.reload();
    m_drag.reset();
    enableAllButton();
}
