#include "AccountList.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "browser/TreeNodes.h"
#include "store/Recordset.h"
#include "ui/BusyCursor.h"
#include "ui/Failures.h"
#include "ui/MessageBox.h"

// The load of AccountList: the tree filled from the table.

namespace Statements = AccountStatements;

// A level of the load: the rows of one parent.
struct AccountList::Level {
    qint32 parentKey = 0;
    std::shared_ptr<Recordset> open; // the outermost level's, read as the load goes
    std::vector<LoadRow> rows; // a deeper level's, read whole
    size_t next = 0;
    std::optional<QString> failure; // what ended the reading of `rows`
};

void AccountList::InitTree()
{
    const BusyCursor busy;
    SSTree *tree = m_tree;
    m_depthReported = false;
    m_stale = false;
    m_nodeChosen = false;
    m_atNode.clear();
    runOn([&] { tree->setImageList(m_images); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] { tree->setRedraw(false); });
    runOn([&] { tree->clearNodes(); });
    runOn([&] { tree->setTreeOption(true); });
    runOn([&] { m_atNode = addRootNode(tree)->key(); });
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
    // The steps that run for every row go by reference: as a copy, a step
    // holding more than two references is put on the heap each time.
    std::optional<qint32> child;
    const auto next = [&] { child = nextChild(levels.back()); };
    while (!levels.empty()) {
        child.reset();
        if (reportAndStop(std::cref(next)) && child) {
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
    const auto run = [&] { rows = m_basTable.execute(Statements::children(p_val)); };
    if (!reportAndStop(std::cref(run)))
        return;
    Level level;
    level.parentKey = p_val;
    if (levels.empty()) {
        level.open = std::move(rows);
    } else {
        // A row that cannot be read ends the reading; the failure is reported
        // when the load reaches that row, as if it had been read there.
        try {
            if (!rows->isEOF())
                level.rows.reserve(16);
            for (; !rows->isEOF(); rows->moveNext())
                level.rows.push_back(rowOf(*rows));
        } catch (...) {
            level.failure = currentFailureText();
        }
        rows->close();
        // Most rows have no children: nothing to descend into.
        if (level.rows.empty() && !level.failure)
            return;
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
        row = std::move(level.rows[level.next++]);
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
    return {row.text(QStringLiteral("KIND")),
        KeyText::of(row.value(QStringLiteral("P_ACCOUNT_NO"))),
        row.value(QStringLiteral("ACCOUNT_NO")), row.text(QStringLiteral("NAME"))};
}

void AccountList::addRowNode(const LoadRow &row)
{
    addLoadedNode(m_tree, row.kind, row.parentKey, KeyText::of(row.number), row.name);
}
