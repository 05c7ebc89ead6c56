#pragma once

#include "browser/KeyText.h"
#include "store/AccountFile.h"
#include "store/AccountStatements.h"
#include "store/Connection.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class AccountHistory;
class ImageList;
class Recordset;
class SSNode;
class SSTree;
struct StoredRow;

// The account list's rows and nodes: the connection to the host's ACCOUNT
// table, the tree filled from it, the node the user chose, and every change
// of rows and nodes. Each change runs its statements in order, keeps the
// tree showing what they stored, and tells its history what it wrote, so
// that it can be undone. It has no widget of its own: the window
// routes the user's commands here, and its dialogs only collect values.
class AccountList {
public:
    // What a change found: its row, or that another program had deleted the
    // row it needed, an account's or a folder's. Nothing is written then,
    // and the tree is to be shown again from the table (isStale).
    enum class Outcome { Done, AccountGone, FolderGone };
    // Whether a dragged node may go under a target: ignored without a word,
    // or refused with a message, or allowed.
    enum class MoveCheck { Allowed, Ignored, Refused };
    enum class Deletion { RowOnly, WithSubtree };

    AccountList();
    ~AccountList();
    AccountList(const AccountList &) = delete;
    AccountList &operator=(const AccountList &) = delete;

    // Levels deeper than this are not shown: Qt's tree view lays out expanded
    // levels recursively and gives out at about 30 000.
    static constexpr int maxTreeDepth = 10000;

    // The tree the list fills, and the images its nodes name.
    void attach(SSTree *tree, const ImageList *images);
    // Opens the connection on the host's string and fills the tree from the
    // table, with a history of its own. A connection that does not open
    // leaves the root alone, after one message.
    void open(const QString &connStr);
    // Harmless when the connection never opened. The history ends.
    void close();
    bool isOpen() const { return m_basTable.isOpen(); }
    // Fills the tree again from the table, with nothing chosen.
    void reload();
    // The tree may no longer show what is stored: a change found its row
    // gone, or a delete stopped half way.
    bool isStale() const { return m_stale; }

    // The node every command acts on, chosen by the user.
    void choose(const QString &key);
    bool hasChosen() const { return m_nodeChosen; }
    QString chosenKey() const { return m_basNodeKey; }
    SSNode *chosenNode() const;
    // The node made last: the root after a load, the new node after an add;
    // none once it is removed.
    SSNode *newestNode() const;

    // Under the chosen node: the row first, then the node.
    Outcome addFolder(const QString &name);
    // The chosen folder: the node first, then the row.
    Outcome renameFolder(const QString &name);
    // The chosen node's label as typed; the root is no row and keeps its
    // label only while the window is open.
    Outcome renameLabel(const QString &label);
    // The chosen account's stored values by column, or none when its row is
    // gone.
    std::optional<QVariantMap> readAccount();
    // Into the chosen folder, under the root when the root is chosen, and
    // beside the chosen account otherwise; the row first, then the node.
    Outcome addAccount(const AccountStatements::AccountValues &values);
    // Beside the chosen account, whose folder must still be there.
    Outcome copyAccount(const AccountStatements::AccountValues &values);
    // The chosen account: the node's name first, then the row.
    Outcome updateAccount(const AccountStatements::AccountValues &values);
    // The chosen node goes from the tree, then its row, a folder's with
    // every row beneath it. Nothing is chosen afterwards. Throws when a
    // statement fails, with the rows it did not reach left in the table.
    void deleteChosen(Deletion deletion);
    // Deletes every row beneath P_ID, deepest first, then P_ID's own row.
    void DeleteChild(const QString &P_ID);

    MoveCheck checkMove(const SSNode *dragged, const SSNode *target) const;
    // A checked move: the row's parent, then the node with its subtree.
    Outcome move(SSNode *dragged, SSNode *target);

    // Every change that wrote, for undo and redo.
    AccountHistory &history() { return *m_history; }

    // What the history's steps use besides: the delete's own statements,
    // without the node, and the tree.
    void deleteRows(const QString &key, Deletion deletion);
    Connection &connection() { return m_basTable; }
    SSTree *tree() const;
    void removeNode(const QString &key);
    void markStale() { m_stale = true; }

    // The node's row and every row beneath it, each column as stored ("0":
    // every row under the root).
    struct Exported {
        Outcome outcome;
        std::vector<StoredRow> rows;
    };
    Exported exportFrom(const QString &key);
    // A file's rows under the root or a folder, all or none, then their nodes
    // in place; the new keys in the order of the contents.
    struct Imported {
        Outcome outcome;
        QStringList keys;
    };
    Imported importUnder(const QString &key, const AccountFile::Contents &contents);

private:
    // One row of a level, as the load reads it.
    struct LoadRow {
        QString kind;
        KeyText parentKey;
        QVariant number;
        QString name;
    };
    struct Level;

    static LoadRow rowOf(const Recordset &row);
    void InitTree();
    void LoadChild(qint32 p_val);
    void openLevel(std::vector<Level> &levels, QSet<qint32> &path, qint32 p_val);
    std::optional<qint32> nextChild(Level &level);
    void addRowNode(const LoadRow &row);
    void addImportedNodes(
        const QString &key, const AccountFile::Contents &contents, const QStringList &keys);
    bool mayDescend(const std::vector<Level> &levels, const QSet<qint32> &path, qint32 key);

    std::optional<QString> parentForNewAccount(Outcome &gone, StoredRow *read = nullptr);
    Outcome insertAccount(const AccountStatements::AccountValues &values,
        AccountStatements::HtmlSignature htmlSignature, const QString &keyQuery);
    QStringList childKeys(const QString &key);
    Outcome rename(
        SSNode *node, const QString &before, const QString &name, const QString &statement);
    bool changesRow(const QString &statement);
    bool isStored(const QString &key);
    Outcome gone(const SSNode *node);

    Connection m_basTable;
    QPointer<SSTree> m_tree;
    const ImageList *m_images = nullptr;
    QString m_basNodeKey;
    // atNode, by key, so that a removed node is gone rather than dangling.
    QString m_atNode;
    bool m_nodeChosen = false; // since the tree was last filled
    bool m_stale = false;
    bool m_depthReported = false;
    std::unique_ptr<AccountHistory> m_history;
};

// Tells the user which row another program deleted meanwhile, when the
// change found one gone; true when it found its row.
bool toldIfGone(AccountList::Outcome outcome);
