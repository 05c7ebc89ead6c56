#include "HistorySteps.h"

#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/Connection.h"
#include "ui/BusyCursor.h"
#include "ui/Failures.h"

#include <QScopeGuard>
#include <QSet>

#include <algorithm>

namespace {

const QString accountNo = QStringLiteral("ACCOUNT_NO");
const QString parentNo = QStringLiteral("P_ACCOUNT_NO");
const QString nameColumn = QStringLiteral("NAME");

QString gone(const QString &named)
{
    return named + QStringLiteral("は、ほかのプログラムによって削除されています。");
}

QString changed(const QString &named)
{
    return named + QStringLiteral("は、ほかのプログラムによって変更されています。");
}

// Keys are bound as numbers, whatever the engine handed them back as.
QVariant number(const QVariant &key)
{
    return key.toLongLong();
}

void requireFreeKey(Connection &db, const QVariant &key)
{
    if (isKeyStored(db, number(key)))
        throw Refusal {QStringLiteral("番号 %1 は、ほかのプログラムが追加した行に使われています。")
                           .arg(key.toLongLong())};
}

// Read again, in the order readSubtree gives: with the same columns, each
// value is compared in its place.
bool sameRows(const std::vector<StoredRow> &now, const std::vector<StoredRow> &then)
{
    return std::equal(now.begin(), now.end(), then.begin(), then.end(),
        [](const StoredRow &row, const StoredRow &was) {
            return row.columns == was.columns
                && std::equal(row.values.begin(), row.values.end(), was.values.begin(),
                    was.values.end(), sameStoredValue);
        });
}

// A folder left empty is shown closed, as the load shows it.
void closeIfEmpty(SSTree *tree, const QString &key)
{
    if (SSNode *folder = tree->findNode(key); folder && !folder->childCount())
        folder->setExpanded(false);
}

} // namespace

HistoryStep::HistoryStep(AccountList &list, StepAttempt &attempt, const QString &text)
    : QUndoCommand(text)
    , m_list(list)
    , m_attempt(attempt)
{
}

void HistoryStep::undo()
{
    apply(true);
}

void HistoryStep::redo()
{
    apply(false);
}

// The tree follows only what was committed; should it fail to, it is shown
// again from the table.
void HistoryStep::apply(bool back)
{
    if (std::exchange(m_skip, false))
        return;
    const BusyCursor busy;
    m_attempt = {};
    Connection &db = m_list.connection();
    try {
        db.inTransaction([&] { back ? writeBack(db) : writeAgain(db); });
    } catch (const Refusal &refusal) {
        m_attempt = {StepAttempt::Result::Refused, refusal.why, {}};
        setObsolete(true);
        return;
    } catch (...) {
        m_attempt = {StepAttempt::Result::Failed, currentFailureText(), {}};
        return;
    }
    try {
        m_attempt.nodeKey = back ? showBack() : showAgain();
    } catch (...) {
        m_list.markStale();
    }
}

QString quotedName(const QString &name)
{
    constexpr int longest = 30;
    QString shown = name.left(longest + 1);
    for (QChar &c : shown)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    if (shown.size() > longest)
        shown = shown.left(longest) + u'…';
    return u'「' + shown + u'」';
}

void HistoryStep::requireFolder(Connection &db, const QVariant &key) const
{
    if (key.toLongLong() == 0 || isKeyStored(db, number(key)))
        return;
    const SSNode *folder = m_list.tree()->findNode(QString::number(key.toLongLong()));
    throw Refusal {gone(folder ? QStringLiteral("フォルダ") + quotedName(folder->text())
                               : QStringLiteral("番号 %1 のフォルダ").arg(key.toLongLong()))};
}

// Only a row whose parent is not among them needs its folder looked up.
void HistoryStep::insertRows(Connection &db, const std::vector<StoredRow> &rows) const
{
    QSet<qint64> back;
    for (const StoredRow &row : rows) {
        const QVariant key = row.value(accountNo);
        requireFreeKey(db, key);
        if (const QVariant parent = row.value(parentNo); !back.contains(parent.toLongLong()))
            requireFolder(db, parent);
        db.execute(insertStatement(row));
        back.insert(key.toLongLong());
    }
}

// A row the load would show no node for has none here either.
SSNode *HistoryStep::showRows(const std::vector<StoredRow> &rows)
{
    SSTree *tree = m_list.tree();
    SSNode *top = addStoredNode(tree, rows.front());
    if (!top)
        return nullptr;
    for (size_t i = 1; i < rows.size(); ++i) {
        try {
            addStoredNode(tree, rows[i]);
        } catch (const TreeError &) {
        }
    }
    return top;
}

void HistoryStep::requireUnchanged(Connection &db, const std::vector<StoredRow> &rows) const
{
    if (!sameRows(readSubtree(db, shownText(rows.front().value(accountNo))), rows))
        throw Refusal {quotedName(shownText(rows.front().value(nameColumn)))
            + QStringLiteral("かその下の行が、ほかのプログラムによって変更されています。")};
}

RowAdded::RowAdded(AccountList &list, StepAttempt &attempt, const QString &text, StoredRow written)
    : HistoryStep(list, attempt, text)
    , m_written(std::move(written))
    , m_place {shownText(m_written.value(parentNo))}
{
}

// Rows another program put beneath it would be left without a parent.
void RowAdded::writeBack(Connection &db)
{
    const QVariant key = number(m_written.value(accountNo));
    const QString name = quotedName(shownText(m_written.value(nameColumn)));
    const std::optional<StoredRow> row = readStoredRow(db, key);
    if (!row)
        throw Refusal {gone(name)};
    if (!holds(*row, m_written))
        throw Refusal {changed(name)};
    if (hasChildRows(db, key))
        throw Refusal {name + QStringLiteral("の下に、ほかのプログラムが行を追加しています。")};
    m_row = *row;
    db.execute(deleteStatement(key));
}

void RowAdded::writeAgain(Connection &db)
{
    requireFreeKey(db, m_row.value(accountNo));
    requireFolder(db, m_row.value(parentNo));
    db.execute(insertStatement(m_row));
}

QString RowAdded::showBack()
{
    const QString key = shownText(m_written.value(accountNo));
    if (const SSNode *node = m_list.tree()->findNode(key)) {
        m_place = placeOf(node);
        m_list.removeNode(key);
    }
    closeIfEmpty(m_list.tree(), m_place.parentKey);
    return {};
}

// As the change made it: a new folder takes drops, a new account has no marker.
QString RowAdded::showAgain()
{
    SSTree *tree = m_list.tree();
    const QString key = shownText(m_row.value(accountNo));
    const QString name = shownText(m_row.value(nameColumn));
    SSNode *node = shownText(m_row.value(QStringLiteral("KIND"))) == u"F"
        ? addFolderNode(tree, m_place.parentKey, key, name)
        : addAccountNode(tree, m_place.parentKey, key, name);
    putAt(tree, node, m_place);
    return key;
}

RowChanged::RowChanged(AccountList &list, StepAttempt &attempt, const QString &text,
    const QString &key, State before, State after)
    : HistoryStep(list, attempt, text)
    , m_key(key)
    , m_before(std::move(before))
    , m_after(std::move(after))
{
}

void RowChanged::write(Connection &db, const State &from, const State &to)
{
    const QVariant key = m_key.toLongLong();
    const std::optional<StoredRow> row = readStoredRow(db, key);
    if (!row)
        throw Refusal {gone(quotedName(from.text))};
    if (!holds(*row, from.columns))
        throw Refusal {changed(quotedName(from.text))};
    if (to.place.parentKey != from.place.parentKey)
        requireFolder(db, to.columns.value(parentNo));
    db.execute(updateStatement(to.columns, key));
}

// Only a move has places; it goes back where it stood.
QString RowChanged::show(const State &state)
{
    SSTree *tree = m_list.tree();
    SSNode *node = tree->node(m_key);
    node->setText(state.text);
    if (!state.place.parentKey.isEmpty())
        putAt(tree, node, state.place);
    return m_key;
}

RowsDeleted::RowsDeleted(AccountList &list, StepAttempt &attempt, const QString &text,
    std::vector<StoredRow> rows, std::vector<StoredRow> deleted, NodePlace place, bool subtree)
    : HistoryStep(list, attempt, text)
    , m_rows(std::move(rows))
    , m_deleted(std::move(deleted))
    , m_place(std::move(place))
    , m_subtree(subtree)
{
}

QString RowsDeleted::topKey() const
{
    return shownText(m_rows.front().value(accountNo));
}

// Each row comes after its parent: only a row whose parent is not among
// them needs its folder looked up.
void RowsDeleted::writeBack(Connection &db)
{
    insertRows(db, m_deleted);
}

// Rows the delete did not reach were never taken out of the table, but out
// of the tree: the tree is shown again from the table then.
QString RowsDeleted::showBack()
{
    if (m_deleted.size() != m_rows.size()) {
        m_list.markStale();
        return topKey();
    }
    SSTree *tree = m_list.tree();
    tree->setRedraw(false);
    const auto redraw = qScopeGuard([tree] { tree->setRedraw(true); });
    SSNode *top = showRows(m_rows);
    if (!top)
        return {};
    putAt(tree, top, m_place);
    return topKey();
}

void RowsDeleted::writeAgain(Connection &db)
{
    requireUnchanged(db, m_rows);
    m_list.deleteRows(
        topKey(), m_subtree ? AccountList::Deletion::WithSubtree : AccountList::Deletion::RowOnly);
    m_deleted = m_rows;
}

QString RowsDeleted::showAgain()
{
    SSTree *tree = m_list.tree();
    if (const SSNode *node = tree->findNode(topKey())) {
        m_place = placeOf(node);
        m_list.removeNode(topKey());
    }
    tree->setSelectedNode(nullptr);
    return {};
}

RowsImported::RowsImported(AccountList &list, StepAttempt &attempt, const QString &text,
    QString targetKey, std::vector<std::vector<StoredRow>> subtrees)
    : HistoryStep(list, attempt, text)
    , m_targetKey(std::move(targetKey))
    , m_subtrees(std::move(subtrees))
{
}

// Every subtree is checked before the first is deleted: all or nothing.
void RowsImported::writeBack(Connection &db)
{
    for (const std::vector<StoredRow> &rows : m_subtrees)
        requireUnchanged(db, rows);
    for (const std::vector<StoredRow> &rows : m_subtrees)
        m_list.deleteRows(
            shownText(rows.front().value(accountNo)), AccountList::Deletion::WithSubtree);
}

void RowsImported::writeAgain(Connection &db)
{
    for (const std::vector<StoredRow> &rows : m_subtrees)
        insertRows(db, rows);
}

QString RowsImported::showBack()
{
    for (const std::vector<StoredRow> &rows : m_subtrees)
        if (const QString key = shownText(rows.front().value(accountNo));
            m_list.tree()->findNode(key))
            m_list.removeNode(key);
    closeIfEmpty(m_list.tree(), m_targetKey);
    return m_targetKey;
}

// Last under the folder, in the file's order, as the import put them.
QString RowsImported::showAgain()
{
    SSTree *tree = m_list.tree();
    tree->setRedraw(false);
    const auto redraw = qScopeGuard([tree] { tree->setRedraw(true); });
    for (const std::vector<StoredRow> &rows : m_subtrees)
        showRows(rows);
    return m_targetKey;
}
