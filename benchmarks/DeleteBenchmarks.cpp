#include "Benchmarks.h"

#include "BenchTable.h"
#include "SqliteFloor.h"

#include "browser/AccountBrowse.h"
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
    }
    return comparisons;
}
