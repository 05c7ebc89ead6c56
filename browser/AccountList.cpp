#include "AccountList.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "browser/TreeNodes.h"
#include "store/Recordset.h"
#include "store/Schema.h"
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

struct AccountList::Level {
    qint32 parentKey = 0;
    std::shared_ptr<Recordset> open; // the outermost level's, read as the load goes
    std::vector<LoadRow> rows; // a deeper level's, read whole
    size_t next = 0;
    std::optional<QString> failure; // what ended the reading of `rows`
};

AccountList::AccountList() = default;
AccountList::~AccountList() = default;

void AccountList::attach(SSTree *tree, const ImageList *images)
{
    m_tree = tree;
    m_images = images;
}

void AccountList::open(const QString &connStr)
{
    runOn([&] { m_basTable.setConnectionString(connStr); });
    runOn([&] { m_basTable.open(); });
    InitTree();
}

void AccountList::close()
{
    m_basTable.close();
}

void AccountList::reload()
{
    InitTree();
}

void AccountList::InitTree()
{
    const BusyCursor busy;
    SSTree *tree = m_tree;
    m_depthReported = false;
    m_stale = false;
    m_nodeChosen = false;
    m_atNode = nullptr;
    runOn([&] { tree->setImageList(m_images); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] { tree->setRedraw(false); });
    runOn([&] { tree->clearNodes(); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] { m_atNode = addRootNode(tree); });
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
void AccountList::LoadChild(qint32 p_val)
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

void AccountList::openLevel(std::vector<Level> &levels, QSet<qint32> &path, qint32 p_val)
{
    std::shared_ptr<Recordset> rows;
    if (!reportAndStop([&] { rows = m_basTable.execute(Statements::children(p_val)); }))
        return;
    Level level;
    level.parentKey = p_val;
    if (levels.empty()) {
        level.open = std::move(rows);
    } else {
        // A row that cannot be read ends the reading; the failure is reported
        // when the load reaches that row, as if it had been read there.
        try {
            for (; !rows->isEOF(); rows->moveNext())
                level.rows.push_back(rowOf(*rows));
        } catch (...) {
            level.failure = currentFailureText();
        }
        rows->close();
    }
    levels.push_back(std::move(level));
    path.insert(p_val);
}

// A row that names one of its own ancestors would lead the load round in a
// circle for ever; a chain deeper than the view can lay out is cut off.
bool AccountList::mayDescend(const std::vector<Level> &levels, const QSet<qint32> &path, qint32 key)
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
std::optional<qint32> AccountList::nextChild(Level &level)
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

AccountList::LoadRow AccountList::rowOf(const Recordset &row)
{
    return {row.text(QStringLiteral("KIND")), row.text(QStringLiteral("P_ACCOUNT_NO")),
        row.value(QStringLiteral("ACCOUNT_NO")), row.text(QStringLiteral("NAME"))};
}

// The account's marker is the same text as its key.
void AccountList::addRowNode(const LoadRow &row)
{
    const QString key = row.number.toString();
    if (row.kind == u"F")
        addFolderNode(m_tree, row.parentKey, key, row.name);
    else if (row.kind == u"A")
        addAccountNode(m_tree, row.parentKey, key, row.name, key);
}

void AccountList::choose(const QString &key)
{
    m_basNodeKey = key;
    m_nodeChosen = true;
}

SSNode *AccountList::chosenNode() const
{
    return m_tree->node(m_basNodeKey);
}

// No row goes under a folder that is gone.
AccountList::Outcome AccountList::addFolder(const QString &name)
{
    const QString parent = m_basNodeKey;
    if (parent != u"0" && !isStored(parent))
        return gone(chosenNode());
    m_basTable.execute(Statements::insertFolder(parent, name));
    const QString key = m_basTable.execute(Statements::newCopyOrFolderKey())->text(0);
    m_atNode = addFolderNode(m_tree, parent, key, name);
    return Outcome::Done;
}

AccountList::Outcome AccountList::renameFolder(const QString &name)
{
    SSNode *node = chosenNode();
    node->setText(name);
    return changesRow(Statements::renameFolder(name, m_basNodeKey)) ? Outcome::Done : gone(node);
}

AccountList::Outcome AccountList::renameLabel(const QString &label)
{
    if (changesRow(Statements::renameLabel(label, m_basNodeKey)) || m_basNodeKey == u"0")
        return Outcome::Done;
    return gone(chosenNode());
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
    m_atNode = addAccountNode(m_tree, *parent, key, valueOf(values, QStringLiteral("NAME")));
    return Outcome::Done;
}

// The editor's OK looks the chosen row's kind up in every mode: a new
// account goes into a folder, under the root, or beside an account, under
// the account's parent. None when the chosen row is gone.
std::optional<QString> AccountList::parentForNewAccount(Outcome &outcome)
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
    row->close();
    return folder ? chosen->key() : parent->key();
}

AccountList::Outcome AccountList::updateAccount(const Statements::AccountValues &values)
{
    Outcome outcome = Outcome::Done;
    if (!parentForNewAccount(outcome))
        return outcome;
    SSNode *node = chosenNode();
    node->setText(valueOf(values, QStringLiteral("NAME")));
    return changesRow(Statements::updateAccount(values, m_basNodeKey)) ? Outcome::Done : gone(node);
}

// A folder's own row is deleted first, so that a chain of rows leading back
// to it ends there, and DeleteChild deletes it once more at its end, finding
// nothing. The view would make a neighbour current in the removed node's
// place, where the buttons, all off now, offer nothing.
void AccountList::deleteChosen(Deletion deletion)
{
    const QString key = m_basNodeKey;
    try {
        removeNode(key);
        m_tree->setSelectedNode(nullptr);
        m_basTable.execute(Statements::deleteRow(key));
        if (deletion == Deletion::WithSubtree)
            DeleteChild(key);
    } catch (...) {
        // The nodes went before their rows, and some rows may still be there.
        m_stale = true;
        throw;
    }
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

// The newest node must not outlive the nodes it names.
void AccountList::removeNode(const QString &key)
{
    const SSNode *removed = m_tree->node(key);
    for (const SSNode *node = m_atNode; node; node = node->parentNode())
        if (node == removed) {
            m_atNode = nullptr;
            break;
        }
    m_tree->removeNode(key);
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
    if (!changesRow(Statements::move(target->key(), dragged->key())))
        return gone(dragged);
    dragged->setParentNode(target);
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
