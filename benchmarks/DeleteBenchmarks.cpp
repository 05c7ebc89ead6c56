#include "Benchmarks.h"

#include "BenchTable.h"
#include "SqliteFloor.h"

#include "browser/AccountBrowse.h"
#include "browser/AccountHistory.h"
#include "component/Forms.h"

namespace {

// The folder with key 1 holds the subtree; it is put back before every
// iteration, outside the timing.
constexpr int folderKey = 1;

void browserDelete(benchmark::State &state, int rows)
{
    const auto table = BenchTable::empty();
    AccountBrowse &browse = Forms::accountBrowse();
    browse.load(table->connectionString());
    int left = -1;
    timeEach(state, [&] {
        table->addFolderSubtree(folderKey, rows);
        const Took took = timeOf([&] { browse.list().DeleteChild(QString::number(folderKey)); });
        left = table->rowCount();
        return took;
    });
    browse.unload();
    disposeDeferred();
    if (left != 0)
        state.SkipWithError("DeleteChild left rows behind");
}

// The delete as a person runs it on the window's list, its rows read first
// for the undo, and the undo of that delete; one of the two is timed. The
// table is emptied after each iteration, outside the timing.
void deleteAndUndo(benchmark::State &state, int rows, bool timeUndo)
{
    const auto table = BenchTable::empty();
    AccountBrowse &browse = Forms::accountBrowse();
    browse.load(table->connectionString());
    AccountList &list = browse.list();
    int restored = -1;
    timeEach(state, [&] {
        table->addFolderSubtree(folderKey, rows);
        list.reload();
        list.choose(QString::number(folderKey));
        const Took deleted = timeOf([&] { list.deleteChosen(AccountList::Deletion::WithSubtree); });
        const Took undone = timeOf([&] { list.history().undo(); });
        restored = table->rowCount();
        table->removeAll();
        return timeUndo ? undone : deleted;
    });
    browse.unload();
    disposeDeferred();
    if (restored != rows)
        state.SkipWithError("the undo did not put every row back");
}

// Floor (b) runs each statement's own text, floor (c) each shape compiled once.
void sqliteDelete(benchmark::State &state, int rows, bool compiled)
{
    const auto table = BenchTable::empty();
    SqliteFloor floor(table->path());
    int statements = 0;
    int left = -1;
    timeEach(state, [&] {
        table->addFolderSubtree(folderKey, rows);
        const Took took = timeOf([&] {
            statements
                = compiled ? floor.deleteCompiled(folderKey) : floor.deleteStatements(folderKey);
        });
        left = table->rowCount();
        return took;
    });
    if (left != 0 || statements != 2 * rows)
        state.SkipWithError("the SQLite floor did not run one query and one delete per row");
}

} // namespace

std::vector<Comparison> registerDeleteBenchmarks(const Plan &plan)
{
    std::vector<Comparison> comparisons;
    for (const int rows : plan.deleteRows) {
        const QString size = QString::number(rows);
        addBenchmark(
            QStringLiteral("delete/") + size, [rows](auto &state) { browserDelete(state, rows); });
        addBenchmark(QStringLiteral("delete_floor/") + size,
            [rows](auto &state) { sqliteDelete(state, rows, false); });
        addBenchmark(QStringLiteral("delete_floor_c/") + size,
            [rows](auto &state) { sqliteDelete(state, rows, true); });
        const QString what = QStringLiteral("delete %1-row subtree").arg(grouped(rows));
        comparisons.push_back({what, QStringLiteral("delete/") + size,
            QStringLiteral("(b) SQLite C, same statements"), QStringLiteral("delete_floor/") + size,
            rows >= 10000 ? std::optional(1.0) : std::nullopt});
        comparisons.push_back({what, QStringLiteral("delete/") + size,
            QStringLiteral("(c) SQLite C, each shape compiled once"),
            QStringLiteral("delete_floor_c/") + size, std::nullopt});
        addBenchmark(QStringLiteral("undoable_delete/") + size,
            [rows](auto &state) { deleteAndUndo(state, rows, false); });
        addBenchmark(QStringLiteral("undo_delete/") + size,
            [rows](auto &state) { deleteAndUndo(state, rows, true); });
        comparisons.push_back({QStringLiteral("delete, rows read for undo, %1").arg(grouped(rows)),
            QStringLiteral("undoable_delete/") + size, QStringLiteral("DeleteChild alone"),
            QStringLiteral("delete/") + size, std::nullopt});
        comparisons.push_back({QStringLiteral("undo of that delete, %1").arg(grouped(rows)),
            QStringLiteral("undo_delete/") + size, QStringLiteral("the delete, rows read for undo"),
            QStringLiteral("undoable_delete/") + size,
            rows >= 10000 ? std::optional(2.0) : std::nullopt});
    }
    return comparisons;
}
