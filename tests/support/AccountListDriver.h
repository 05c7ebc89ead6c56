#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class AccountBrowse;
class QWidget;
class SSNode;
class SSTree;
class TestDatabase;

// Folder Zeta (folder 営業部 with account O'Neill, account Beta), account
// Alpha with every column, an empty folder Zeta: keys 1 to 6 on every engine.
void addSampleTree(TestDatabase &table);

// Opens the account list in-process on a database, runs the action inside
// its modal loop, closes it, and tells whether the action ran.
bool inAccountList(const QString &connStr, const std::function<void(AccountBrowse &)> &action);

// The keys of the enabled toolbar buttons, "close" included.
QStringList enabledButtons(AccountBrowse &window);

// Clicks the toolbar button with that key, which must be enabled.
void clickButton(AccountBrowse &window, const QString &key);

// Chooses the node with the key by a click, clicks the command's button and
// acts in the dialog it opens ("FolderAdd" for addf and updatef, otherwise
// "AccountAdd"); a dialog the action leaves open is closed. Tells whether the
// action ran.
bool inDialogOf(AccountBrowse &window, const QString &key, const QString &command,
    const std::function<void(QWidget *)> &action);

// A person's mouse on the tree: a click, and a drag with the left button held.
QPoint centreOf(SSTree *tree, SSNode *node);
void clickNode(SSTree *tree, SSNode *node);
void moveWithLeftHeld(SSTree *tree, QPoint to);
void dragNode(SSTree *tree, SSNode *from, SSNode *to);
