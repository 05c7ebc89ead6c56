#pragma once

#include <QPoint>
#include <QPointer>

#include <functional>

class QAction;
class QToolBar;
class SSNode;
class SSTree;
class TransferCommands;

// The toolbar's commands as the tree offers them: from the keyboard while
// the tree has the focus, and from a node's menu. Each runs through its
// toolbar action, so that a command switched off for the chosen node does
// nothing; each is offered exactly when its button is on.
class TreeCommands {
public:
    void attach(SSTree *tree, QToolBar *toolbar, TransferCommands &transfer);
    // Undo and redo, for their keys and the end of the node's menu.
    void attachHistory(QAction *undo, QAction *redo);
    // A fresh showing of the window: no command waits for its key to end.
    void reset() { m_keyCommandPending = false; }

    // What a tooltip and a screen reader say of each button, with its key.
    void describeButtons();
    // The window's key filter: Ctrl+X, Ctrl+C and Ctrl+V never reach the
    // tree, nor its label editor; a command's key runs the command, and
    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z undo and redo.
    // Setting KeyCode to 0 swallows the key.
    void keyDown(int &KeyCode, int Shift);
    // The node's menu: the seven commands in the toolbar's order, export and
    // import, then undo and redo.
    void showMenu(SSNode *node, QPoint at);
    // The toolbar's button with the key; fails for an unknown key.
    QAction *button(const QString &key) const;

private:
    bool runKeyCommand(int KeyCode, int Shift);
    void afterThisKey(std::function<void()> step);
    void triggerAfterThisKey(QAction *action);

    QPointer<SSTree> m_tree;
    QPointer<QToolBar> m_toolbar;
    QPointer<QAction> m_undo;
    QPointer<QAction> m_redo;
    TransferCommands *m_transfer = nullptr;
    bool m_keyCommandPending = false;
};
