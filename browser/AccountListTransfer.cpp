// The account list's export and import: the rows go through the store, and
// the imported ones appear in the tree as a load would show them.

#include "AccountList.h"

#include "browser/AccountHistory.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/AccountImport.h"
#include "store/StoredRows.h"
#include "ui/BusyCursor.h"

#include <QScopeGuard>

namespace {

int levelOf(const SSNode *node)
{
    int level = 0;
    for (; node->parentNode(); node = node->parentNode())
        ++level;
    return level;
}

} // namespace

AccountList::Exported AccountList::exportFrom(const QString &key)
{
    std::vector<StoredRow> rows = readSubtree(m_basTable, key);
    if (key != u"0" && rows.empty())
        return {gone(m_tree->node(key)), {}};
    return {Outcome::Done, std::move(rows)};
}

AccountList::Imported AccountList::importUnder(
    const QString &key, const AccountFile::Contents &contents)
{
    const BusyCursor busy;
    const std::optional<std::vector<qint64>> stored = importRows(m_basTable, key, contents);
    if (!stored)
        return {gone(m_tree->node(key)), {}};
    QStringList keys;
    for (const qint64 number : *stored)
        keys << QString::number(number);
    addImportedNodes(key, contents, keys);
    QStringList topKeys;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (contents.parents[i] < 0)
            topKeys << keys.at(i);
    m_history->imported(m_tree->node(key), topKeys);
    return {Outcome::Done, keys};
}

// A row of another kind than folder or account gets no node, nor do the rows
// beneath it. Levels deeper than the view can lay out are left to the load,
// which cuts them off and says so.
void AccountList::addImportedNodes(
    const QString &key, const AccountFile::Contents &contents, const QStringList &keys)
{
    SSTree *tree = m_tree;
    if (levelOf(tree->node(key)) + contents.depth > maxTreeDepth) {
        m_stale = true;
        return;
    }
    tree->setRedraw(false);
    const auto redraw = qScopeGuard([tree] { tree->setRedraw(true); });
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const qsizetype parent = contents.parents[i];
        const QString parentKey = parent < 0 ? key : keys.at(parent);
        const StoredRow &row = contents.rows[i];
        if (tree->findNode(parentKey))
            addRowNode({row.value(QStringLiteral("KIND")).toString(), parentKey, keys.at(i),
                shownText(row.value(QStringLiteral("NAME")))});
    }
}
