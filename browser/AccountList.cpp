#include "AccountList.h"

#include "browser/AccountHistory.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "browser/TreeNodes.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/StoredRows.h"
#include "ui/BusyCursor.h"
#include "ui/Failures.h"
#include "ui/MessageBox.h"

namespace Statements = AccountStatements;

namespace {

QString valueOf(const Statements::AccountValues &values, const QString &column)
{
    for (const auto &[name, value] : values)
        if (name == column)
            return value;
    return QString();
}

} // namespace

AccountList::AccountList()
    : m_history(std::make_unique<AccountHistory>(*this))
{
}

AccountList::~AccountList() = default;

void AccountList::attach(SSTree *tree, const ImageList *images)
{
    m_tree = tree;
    m_images = images;
}

void AccountList::open(const QString &connStr)
{
    m_history->clear();
    runOn([&] { m_basTable.setConnectionString(connStr); });
    runOn([&] { m_basTable.open(); });
    InitTree();
}

void AccountList::close()
{
    m_history->clear();
    m_basTable.close();
}

void AccountList::reload()
{
    InitTree();
}

void AccountList::choose(const QString &key)
{
    m_basNodeKey = key;
    m_nodeChosen = true;
}

SSTree *AccountList::tree() const
{
    return m_tree;
}

SSNode *AccountList::chosenNode() const
{
    return m_tree->node(m_basNodeKey);
}

SSNode *AccountList::newestNode() const
{
    return m_atNode.isEmpty() ? nullptr : m_tree->findNode(m_atNode);
}

// No row goes under a folder that is gone.
AccountList::Outcome AccountList::addFolder(const QString &name)
{
    const QString parent = m_basNodeKey;
    if (parent != u"0" && !isStored(parent))
        return gone(chosenNode());
    m_basTable.execute(Statements::insertFolder(parent, name));
    const QString key = m_basTable.execute(Statements::newCopyOrFolderKey())->text(0);
    m_atNode = addFolderNode(m_tree, parent, key, name)->key();
    m_history->addedFolder(key, parent, name);
    return Outcome::Done;
}

AccountList::Outcome AccountList::renameFolder(const QString &name)
{
    SSNode *node = chosenNode();
    const QString before = node->text();
    node->setText(name);
    return rename(node, before, name, Statements::renameFolder(name, m_basNodeKey));
}

// The root is no row: its label is kept while the window is open.
AccountList::Outcome AccountList::renameLabel(const QString &label)
{
    const QString statement = Statements::renameLabel(label, m_basNodeKey);
    if (m_basNodeKey != u"0") {
        SSNode *chosen = chosenNode();
        return rename(chosen, chosen->text(), label, statement);
    }
    changesRow(statement);
    return Outcome::Done;
}

// The name as stored is read first, for an undo to put back exactly that.
AccountList::Outcome AccountList::rename(
    SSNode *node, const QString &before, const QString &name, const QString &statement)
{
    const std::optional<StoredRow> stored = readStoredRow(m_basTable, node->key().toLongLong());
    if (!changesRow(statement))
        return gone(node);
    m_history->renamed(node, stored, before, name);
    return Outcome::Done;
}

std::optional<QVariantMap> AccountList::readAccount()
{
    const auto row = m_basTable.execute(Statements::readRow(m_basNodeKey));
    if (row->isEOF()) {
        m_stale = true;
        return std::nullopt;
    }
    QVariantMap values;
    for (const QString &column : accountColumns())
        values.insert(column, row->value(column));
    row->close();
    return values;
}

AccountList::Outcome AccountList::addAccount(const Statements::AccountValues &values)
{
    return insertAccount(values, Statements::HtmlSignature::Added, Statements::newAccountKey());
}

AccountList::Outcome AccountList::copyAccount(const Statements::AccountValues &values)
{
    return insertAccount(
        values, Statements::HtmlSignature::Copied, Statements::newCopyOrFolderKey());
}

// A copy goes beside its account, into the account's folder, which must
// still be there, as a folder an account is added into must.
AccountList::Outcome AccountList::insertAccount(const Statements::AccountValues &values,
    Statements::HtmlSignature htmlSignature, const QString &keyQuery)
{
    Outcome outcome = Outcome::Done;
    const std::optional<QString> parent = parentForNewAccount(outcome);
    if (!parent)
        return outcome;
    if (*parent != m_basNodeKey && *parent != u"0" && !isStored(*parent))
        return gone(m_tree->node(*parent));
    m_basTable.execute(Statements::insertAccount(*parent, values, htmlSignature));
    const QString key = m_basTable.execute(keyQuery)->text(0);
    m_atNode = addAccountNode(m_tree, *parent, key, valueOf(values, QStringLiteral("NAME")))->key();
    m_history->addedAccount(key, *parent, values, htmlSignature);
    return Outcome::Done;
}

// The editor's OK looks the chosen row's kind up in every mode: a new
// account goes into a folder, under the root, or beside an account, under
// the account's parent. None when the chosen row is gone.
std::optional<QString> AccountList::parentForNewAccount(Outcome &outcome, StoredRow *read)
{
    const SSNode *chosen = chosenNode();
    if (chosen->key() == u"0")
        return QStringLiteral("0");
    const SSNode *parent = chosen->parentNode();
    if (!parent)
        throw Failure(QStringLiteral("Object variable not set: the node has no parent"));
    const auto row = m_basTable.execute(Statements::readRow(m_basNodeKey));
    if (row->isEOF()) {
        outcome = gone(chosen);
        return std::nullopt;
    }
    const bool folder = row->text(QStringLiteral("KIND")) == u"F";
    if (read)
        *read = storedRowOf(*row);
    row->close();
    return folder ? chosen->key() : parent->key();
}

AccountList::Outcome AccountList::updateAccount(const Statements::AccountValues &values)
{
    Outcome outcome = Outcome::Done;
    StoredRow stored;
    if (!parentForNewAccount(outcome, &stored))
        return outcome;
    SSNode *node = chosenNode();
    const QString before = node->text();
    node->setText(valueOf(values, QStringLiteral("NAME")));
    if (!changesRow(Statements::updateAccount(values, m_basNodeKey)))
        return gone(node);
    m_history->modified(node, stored, before, values);
    return Outcome::Done;
}

// A folder's own row is deleted first, so that a chain of rows leading back
// to it ends there, and DeleteChild deletes it once more at its end, finding
// nothing. The view would make a neighbour current in the removed node's
// place, where the buttons, all off now, offer nothing.
void AccountList::deleteChosen(Deletion deletion)
{
    const QString key = m_basNodeKey;
    m_history->deleting(key, deletion == Deletion::WithSubtree, [&] {
        try {
            removeNode(key);
            m_tree->setSelectedNode(nullptr);
            deleteRows(key, deletion);
        } catch (...) {
            // The nodes went before their rows, and some rows may still be there.
            m_stale = true;
            throw;
        }
    });
}

void AccountList::deleteRows(const QString &key, Deletion deletion)
{
    m_basTable.execute(Statements::deleteRow(key));
    if (deletion == Deletion::WithSubtree)
        DeleteChild(key);
}

// Each level's children are read whole and their result set closed before
// the descent, so no query is open while a delete runs, and the walk keeps
// its own stack so that no depth of folders can overflow the native one.
void AccountList::DeleteChild(const QString &P_ID)
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
        m_basTable.execute(Statements::deleteRow(level.key));
        levels.pop_back();
    }
}

QStringList AccountList::childKeys(const QString &key)
{
    QStringList keys;
    const auto rows = m_basTable.execute(Statements::childKeys(key));
    for (; !rows->isEOF(); rows->moveNext())
        keys << rows->text(QStringLiteral("ACCOUNT_NO"));
    rows->close();
    return keys;
}

// The newest node goes with its node: one made again later under the same
// key is not it.
void AccountList::removeNode(const QString &key)
{
    m_tree->removeNode(key);
    if (!newestNode())
        m_atNode.clear();
}

// Only the root and folders take drops. Nodes are told apart by their text:
// a node may not go below a node of its own name, which a drop into its own
// subtree always is. The root never moves.
AccountList::MoveCheck AccountList::checkMove(const SSNode *dragged, const SSNode *target) const
{
    if (target->markerText() != u"0")
        return MoveCheck::Ignored;
    if (target->key() != u"0") {
        for (const SSNode *above = target->parentNode(); above && above->key() != u"0";
             above = above->parentNode())
            if (above->text() == dragged->text())
                return MoveCheck::Refused;
    }
    return dragged->key() == u"0" ? MoveCheck::Ignored : MoveCheck::Allowed;
}

AccountList::Outcome AccountList::move(SSNode *dragged, SSNode *target)
{
    if (target->key() != u"0" && !isStored(target->key()))
        return gone(target);
    const NodePlace from = placeOf(dragged);
    if (!changesRow(Statements::move(target->key(), dragged->key())))
        return gone(dragged);
    dragged->setParentNode(target);
    m_history->moved(dragged, from);
    return Outcome::Done;
}

bool AccountList::changesRow(const QString &statement)
{
    m_basTable.execute(statement);
    return m_basTable.rowsAffected() != 0;
}

bool AccountList::isStored(const QString &key)
{
    return !m_basTable.execute(Statements::readRow(key))->isEOF();
}

AccountList::Outcome AccountList::gone(const SSNode *node)
{
    m_stale = true;
    return node->image() == u"account" ? Outcome::AccountGone : Outcome::FolderGone;
}

bool toldIfGone(AccountList::Outcome outcome)
{
    switch (outcome) {
    case AccountList::Outcome::Done:
        return true;
    case AccountList::Outcome::AccountGone:
        MessageBox::show(QStringLiteral("このアカウントはすでに削除されています。"));
        break;
    case AccountList::Outcome::FolderGone:
        MessageBox::show(QStringLiteral("このフォルダはすでに削除されています。"));
        break;
    }
    return false;
}
