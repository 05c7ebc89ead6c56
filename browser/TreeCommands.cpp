#include "TreeCommands.h"

#include "browser/SSTree.h"
#include "browser/TransferCommands.h"
#include "ui/EventMasks.h"
#include "ui/Failures.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QToolBar>

namespace {

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

} // namespace

void TreeCommands::attach(SSTree *tree, QToolBar *toolbar, TransferCommands &transfer)
{
    m_tree = tree;
    m_toolbar = toolbar;
    m_transfer = &transfer;
    reset();
}

void TreeCommands::attachHistory(QAction *undo, QAction *redo)
{
    m_undo = undo;
    m_redo = redo;
}

QAction *TreeCommands::button(const QString &key) const
{
    for (QAction *action : m_toolbar->actions())
        if (action->objectName() == key && !action->isSeparator())
            return action;
    throw Failure(QStringLiteral("Invalid key: no button \"%1\"").arg(key));
}

// The two "追加" buttons, and the other pairs, differ only in their group;
// a tooltip and a screen reader say which, and name the command's key.
void TreeCommands::describeButtons()
{
    for (const Command &command : commands) {
        QAction *button = this->button(QLatin1String(command.key));
        const QString description = QString::fromUtf8(command.description);
        button->setToolTip(command.keyName
                ? QStringLiteral("%1 (%2)").arg(description, QLatin1String(command.keyName))
                : description);
        m_toolbar->widgetForAction(button)->setAccessibleName(description);
    }
}

void TreeCommands::keyDown(int &KeyCode, int Shift)
{
    // The box in which a label is edited is part of the tree.
    const QWidget *focus = QApplication::focusWidget();
    const SSTree *tree = m_tree;
    if (!focus || (focus != tree && !tree->isAncestorOf(focus)))
        return;
    const bool ctrlAlone = Shift == shiftMask(Qt::ControlModifier);
    if ((KeyCode == Qt::Key_X || KeyCode == Qt::Key_C || KeyCode == Qt::Key_V) && ctrlAlone)
        KeyCode = 0;
    else if (focus == tree && runKeyCommand(KeyCode, Shift))
        KeyCode = 0;
}

// The menu key and Shift+F10 open the chosen node's menu. A command runs
// once the key has been dealt with: a dialog opened while the key is still
// being matched against shortcuts would leave its own keys unmatched. The
// key is seen twice, as a shortcut override and as a press, and runs its
// command once.
bool TreeCommands::runKeyCommand(int KeyCode, int Shift)
{
    if (KeyCode == Qt::Key_Menu
        || (KeyCode == Qt::Key_F10 && Shift == shiftMask(Qt::ShiftModifier))) {
        afterThisKey([this] { m_tree->askMenuOfSelected(); });
        return true;
    }
    // The keypad's Enter is Enter too.
    const QKeyCombination pressed(keyboardModifiers(Shift),
        static_cast<Qt::Key>(KeyCode == Qt::Key_Enter ? int(Qt::Key_Return) : KeyCode));
    const std::pair<QKeyCombination, QAction *> history[] = {{Qt::CTRL | Qt::Key_Z, m_undo},
        {Qt::CTRL | Qt::Key_Y, m_redo}, {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, m_redo}};
    for (const auto &[keys, action] : history) {
        if (pressed != keys || !action)
            continue;
        if (action->isEnabled())
            triggerAfterThisKey(action);
        return true;
    }
    bool known = false;
    for (const Command &command : commands) {
        if (!command.keyName || pressed != command.keys)
            continue;
        known = true;
        // Delete stands for both deletes; only the one for the chosen kind is on.
        if (QAction *button = this->button(QLatin1String(command.key)); button->isEnabled()) {
            triggerAfterThisKey(button);
            break;
        }
    }
    return known;
}

// The action may be gone by then: the window can close in between.
void TreeCommands::triggerAfterThisKey(QAction *action)
{
    afterThisKey([action = QPointer<QAction>(action)] {
        if (action)
            action->trigger();
    });
}

void TreeCommands::afterThisKey(std::function<void()> step)
{
    if (m_keyCommandPending)
        return;
    m_keyCommandPending = true;
    QMetaObject::invokeMethod(
        m_tree.data(),
        [this, step = std::move(step)] {
            m_keyCommandPending = false;
            guardEvent(step);
        },
        Qt::QueuedConnection);
}

// Export and import run once the menu has closed.
void TreeCommands::showMenu(SSNode *node, QPoint at)
{
    QMenu menu(m_tree);
    menu.setObjectName(QStringLiteral("SSTree1Menu"));
    for (QAction *button : m_toolbar->actions()) {
        if (button->objectName() == u"close")
            break;
        if (button->isSeparator())
            menu.addSeparator();
        else
            menu.addAction(button);
    }
    m_transfer->addEntries(menu, node);
    if (m_undo && m_redo) {
        menu.addSeparator();
        menu.addAction(m_undo);
        menu.addAction(m_redo);
    }
    m_transfer->run(menu.exec(at), node, m_tree->window());
}
