#pragma once

#include <QString>

class AccountList;
class QAction;
class QFileDialog;
class QMenu;
class QWidget;
class SSNode;

// Export and import of the account settings, from a node's menu: the file
// asked for with Qt's own file dialog, whether passwords go out asked
// before writing, and what came of it said in one box. The list reads and
// writes the rows; the file's format is the store's.
class TransferCommands {
public:
    explicit TransferCommands(AccountList &list);

    // "書き出し..." on every node, "読み込み..." on the root and the folders.
    void addEntries(QMenu &menu, const SSNode *node);
    // Runs the entry of the node's menu that was chosen, if it is one of these.
    void run(const QAction *chosen, const SSNode *node, QWidget *window);

private:
    void exportFrom(const QString &key, const QString &name, QWidget *window);
    void importUnder(const QString &key, QWidget *window);
    QString chosenFile(QFileDialog &dialog);

    AccountList &m_list;
    QString m_folder; // where the last file was, for the next dialog
};
