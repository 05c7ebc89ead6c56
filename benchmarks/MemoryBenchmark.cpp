#include "Benchmarks.h"

#include "BenchTable.h"
#include "MemoryProbe.h"

#include "browser/AccountBrowse.h"
#include "browser/SSTree.h"
#include "component/Forms.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <malloc.h>

namespace {

const QString probeOption = QStringLiteral("--tx_memory_probe=");

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB$").arg(QLatin1String(field)),
        QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

// From here on VmHWM is the peak since this point, not since the start.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void load(AccountBrowse &browse, const QString &connectionString)
{
    browse.load(connectionString);
}

void unload(AccountBrowse &browse)
{
    browse.unload();
    disposeDeferred();
}

// A process of its own, so that nothing an earlier benchmark freed and the
// allocator kept can hide the load's growth.
void peakMemory(benchmark::State &state, int rows)
{
    const BenchTable &table = BenchTable::of(Shape::Wide, rows);
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(), {probeOption + table.path()});
        if (!probe.waitForFinished(600000) || probe.exitCode() != 0) {
            state.SkipWithError("the memory probe failed");
            return;
        }
        const QStringList figures
            = QString::fromLatin1(probe.readAllStandardOutput()).split(QLatin1Char(' '));
        const double nodes = figures.value(0).toDouble();
        state.SetIterationTime(figures.value(3).toDouble());
        state.counters["nodes"] = nodes;
        state.counters["peak_bytes_per_node"] = figures.value(1).toDouble() / nodes;
        state.counters["heap_bytes_per_node"] = figures.value(2).toDouble() / nodes;
        if (nodes != rows + 1)
            state.SkipWithError("the memory probe did not load every row");
    }
}

} // namespace

std::optional<QString> memoryProbeTable(const QStringList &arguments)
{
    for (const QString &argument : arguments)
        if (argument.startsWith(probeOption))
            return argument.mid(probeOption.size());
    return std::nullopt;
}

// Prints the nodes, the growth of the resident peak, the heap still held
// after the load, and the load's seconds.
int runMemoryProbe(const QString &path)
{
    answerMessagesQuietly();
    AccountBrowse &browse = Forms::accountBrowse();
    // What every load needs once (plugins, fonts, icons) is no part of the tree.
    const auto empty = BenchTable::empty();
    load(browse, empty->connectionString());
    unload(browse);
    malloc_trim(0);

    const qint64 residentBefore = statusKb("VmRSS");
    const size_t heapBefore = heapInUse();
    resetPeak();
    const double seconds = timeOf([&] { load(browse, path); }).cpu;
    // The view lays its lines out when it is first shown: a line each.
    browse.SSTree1()->doItemsLayout();
    const qint64 peak = statusKb("VmHWM");
    const size_t heap = heapInUse() - heapBefore;
    const int nodes = browse.SSTree1()->nodeCount();
    unload(browse);
    printf("%d %lld %zu %f", nodes, (peak - residentBefore) * 1024, heap, seconds);
    return residentBefore > 0 && messagesShown() == 0 ? 0 : 1;
}

std::vector<Reading> registerMemoryBenchmark(const Plan &plan)
{
    const int rows = plan.memoryRows;
    const QString name = QStringLiteral("memory/wide/") + QString::number(rows);
    addBenchmark(name, [rows](auto &state) { peakMemory(state, rows); })
        ->Iterations(1)
        ->Repetitions(1);
    return {{QStringLiteral("peak memory, load wide %1").arg(grouped(rows)), name,
                "peak_bytes_per_node", QStringLiteral("bytes per node (peak resident growth)"),
                rows >= 100000 ? std::optional(250.0) : std::nullopt},
        {QStringLiteral("heap held after load wide %1").arg(grouped(rows)), name,
            "heap_bytes_per_node", QStringLiteral("bytes per node"), std::nullopt}};
}
