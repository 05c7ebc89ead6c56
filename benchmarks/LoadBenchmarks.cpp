#include "Benchmarks.h"

#include "BenchTable.h"
#include "ClientFloor.h"
#include "SqliteFloor.h"
#include "TreeFloor.h"

#include "browser/AccountBrowse.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "ui/FormDialog.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

QString caseName(Shape shape, int rows)
{
    return shapeName(shape) + QLatin1Char('/') + QString::number(rows);
}

// The window's own load, as the host's call runs it, without showing it:
// touching the widget creates the window and runs InitTree.
using Engine = BenchTable::Engine;

void browserLoad(benchmark::State &state, Shape shape, int rows, Engine engine = Engine::SQLite)
{
    BenchTable &table = BenchTable::of(shape, rows, engine);
    AccountBrowse &browse = Forms::accountBrowse();
    const int messagesBefore = messagesShown();
    int nodes = 0;
    timeEach(state, [&] {
        const Took took = timeOf([&] { browse.load(table.connectionString()); });
        nodes = browse.SSTree1()->nodeCount();
        browse.unload();
        disposeDeferred();
        return took;
    });
    if (nodes != rows + 1 || messagesShown() != messagesBefore)
        state.SkipWithError("the load did not show every row without a message");
}

int itemCount(QTreeWidget &tree)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++count;
    return count;
}

void treeFloorLoad(benchmark::State &state, Shape shape, int rows, Engine engine = Engine::SQLite)
{
    BenchTable &table = BenchTable::of(shape, rows, engine);
    int items = 0;
    timeEach(state, [&] {
        std::unique_ptr<QTreeWidget> tree;
        const Took took = timeOf([&] { tree = treeFloor(table.connectionString()); });
        items = itemCount(*tree);
        return took;
    });
    if (items != rows + 1)
        state.SkipWithError("the tree floor did not build every row");
}

void clientFloor(benchmark::State &state, int rows, Engine engine)
{
    BenchTable &table = BenchTable::of(Shape::Wide, rows, engine);
    int read = 0;
    timeEach(
        state, [&] { return timeOf([&] { read = clientFloorLoad(table.connectionString()); }); });
    if (read != rows)
        state.SkipWithError("the client floor did not read every row");
}

// Floor (b) runs each statement's own text, floor (c) each shape compiled once.
void sqliteFloorLoad(benchmark::State &state, Shape shape, int rows, bool compiled)
{
    BenchTable &table = BenchTable::of(shape, rows);
    int read = 0;
    timeEach(state, [&] {
        return timeOf([&] {
            SqliteFloor floor(table.path());
            read = compiled ? floor.loadCompiled() : floor.loadStatements();
        });
    });
    if (read != rows)
        state.SkipWithError("the SQLite floor did not read every row");
}

std::vector<Comparison> registerShape(Shape shape, int rows, bool targeted)
{
    const QString name = caseName(shape, rows);
    addBenchmark(
        QStringLiteral("load/") + name, [=](auto &state) { browserLoad(state, shape, rows); });
    addBenchmark(
        QStringLiteral("floor_a/") + name, [=](auto &state) { treeFloorLoad(state, shape, rows); });
    addBenchmark(QStringLiteral("floor_b/") + name,
        [=](auto &state) { sqliteFloorLoad(state, shape, rows, false); });
    addBenchmark(QStringLiteral("floor_c/") + name,
        [=](auto &state) { sqliteFloorLoad(state, shape, rows, true); });
    const QString what = QStringLiteral("load %1 %2").arg(shapeName(shape), grouped(rows));
    const auto target
        = [targeted](double ratio) { return targeted ? std::optional(ratio) : std::nullopt; };
    std::vector<Comparison> lines
        = {{what, QStringLiteral("load/") + name, QStringLiteral("(a) QtSql read + tree"),
               QStringLiteral("floor_a/") + name, std::nullopt},
            {what, QStringLiteral("load/") + name, QStringLiteral("(b) SQLite C, same statements"),
                QStringLiteral("floor_b/") + name, std::nullopt},
            {what, QStringLiteral("load/") + name,
                QStringLiteral("(c) SQLite C, each shape compiled once"),
                QStringLiteral("floor_c/") + name, target(shape == Shape::Deep ? 3 : 2)}};
    return lines;
}

// The servers ./bench starts: the wide load beside floor (a) over the same
// server, one SELECT * read into the same tree.
std::vector<Comparison> registerServer(Engine engine, int rows)
{
    const QString server = QString::fromLatin1(TestDatabase::tag(engine));
    const QString name = caseName(Shape::Wide, rows) + QLatin1Char('/') + server;
    addBenchmark(QStringLiteral("load/") + name,
        [=](auto &state) { browserLoad(state, Shape::Wide, rows, engine); });
    addBenchmark(QStringLiteral("floor_a/") + name,
        [=](auto &state) { treeFloorLoad(state, Shape::Wide, rows, engine); });
    addBenchmark(
        QStringLiteral("floor_d/") + name, [=](auto &state) { clientFloor(state, rows, engine); });
    const QString what = QStringLiteral("load wide %1 on %2").arg(grouped(rows), server);
    const QString load = QStringLiteral("load/") + name;
    const QString against = QStringLiteral("(a) the same server, SELECT * + tree");
    const QString statements = QStringLiteral("(d) the same statements, client library alone");
    return {{what, load, against, QStringLiteral("floor_a/") + name,
                rows >= 10000 ? std::optional(3.0) : std::nullopt},
        {what, load, against, QStringLiteral("floor_a/") + name, std::nullopt, true},
        {what, load, statements, QStringLiteral("floor_d/") + name, std::nullopt},
        {statements, QStringLiteral("floor_d/") + name, against, QStringLiteral("floor_a/") + name,
            std::nullopt}};
}

} // namespace

QString grouped(int number)
{
    QString text = QString::number(number);
    for (qsizetype at = text.size() - 3; at > 0; at -= 3)
        text.insert(at, QLatin1Char(' '));
    return text;
}

std::vector<Comparison> registerLoadBenchmarks(const Plan &plan)
{
    std::vector<Comparison> comparisons;
    for (const Shape shape : {Shape::Wide, Shape::Balanced}) {
        for (const int rows : plan.loadRows) {
            const auto lines = registerShape(shape, rows, rows >= 10000);
            comparisons.insert(comparisons.end(), lines.begin(), lines.end());
        }
    }
    const auto deep = registerShape(Shape::Deep, plan.deepRows, plan.deepRows >= 9999);
    comparisons.insert(comparisons.end(), deep.begin(), deep.end());
    for (const Engine engine : {Engine::PostgreSQL, Engine::MySQL}) {
        if (!TestDatabase::unavailable(engine).isEmpty())
            continue;
        const auto lines = registerServer(engine, plan.serverRows);
        comparisons.insert(comparisons.end(), lines.begin(), lines.end());
    }
    for (const Shape shape : {Shape::Wide, Shape::Balanced}) {
        for (size_t i = 1; i < plan.loadRows.size(); ++i) {
            const int small = plan.loadRows[i - 1];
            const int large = plan.loadRows[i];
            if (large != 10 * small || small < 10000)
                continue;
            comparisons.push_back(
                {QStringLiteral("load %1 %2").arg(shapeName(shape), grouped(large)),
                    QStringLiteral("load/") + caseName(shape, large),
                    QStringLiteral("load %1 (growth)").arg(grouped(small)),
                    QStringLiteral("load/") + caseName(shape, small), 10.5});
        }
    }
    return comparisons;
}
