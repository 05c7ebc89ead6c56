// The component's benchmarks: the tree load, the folder delete and the
// window opening, each beside its floor, and the load's memory.
//
//   tx_bench [--tx_smoke] [--tx_json=FILE] [benchmark options]
//
// --tx_smoke runs each benchmark once at its smallest size; otherwise each
// runs three times, interleaved with the others, and counts by its fastest
// iteration. --tx_json writes the
// summary's figures to FILE.

#include "BenchTable.h"
#include "Benchmarks.h"
#include "MemoryProbe.h"

#include "ui/Look.h"

#include <QApplication>
#include <QFile>

#include <iostream>

namespace {

struct Options {
    bool smoke = false;
    QString jsonPath;
};

// Takes this program's own options out of argv, leaving the rest for
// Google Benchmark.
Options takeOptions(int &argc, char **argv)
{
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == u"--tx_smoke")
            options.smoke = true;
        else if (argument.startsWith(u"--tx_json="))
            options.jsonPath = argument.mid(int(qstrlen("--tx_json=")));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return options;
}

template <typename T> void append(std::vector<T> &to, const std::vector<T> &more)
{
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyJapaneseLook();
    if (const auto table = memoryProbeTable(QCoreApplication::arguments()))
        return runMemoryProbe(*table);

    const Options options = takeOptions(argc, argv);
    answerMessagesQuietly();
    const Plan plan = options.smoke ? Plan::smoke() : Plan::full();
    std::vector<Comparison> comparisons = registerLoadBenchmarks(plan);
    append(comparisons, registerDeleteBenchmarks(plan));
    append(comparisons, registerWindowBenchmarks(plan));
    const std::vector<Reading> readings = registerMemoryBenchmark(plan);

    std::vector<char *> arguments(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=3";
    char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    // Each benchmark's repetitions spread over the run in random order: a
    // spell of other work on the machine slows one repetition of several
    // benchmarks rather than every repetition of one.
    char interleaved[] = "--benchmark_enable_random_interleaving=true";
    if (!options.smoke)
        arguments.insert(arguments.begin() + 1, {repetitions, aggregatesOnly, interleaved});
    argc = int(arguments.size());
    arguments.push_back(nullptr);
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    BenchTable::releaseAll();

    const Summary summary(collector.figures(), comparisons, readings);
    std::cout << summary.table().toStdString() << std::endl;
    if (!options.jsonPath.isEmpty()) {
        QFile json(options.jsonPath);
        if (!json.open(QIODevice::WriteOnly) || json.write(summary.json()) < 0) {
            std::cerr << "cannot write " << options.jsonPath.toStdString() << std::endl;
            return 1;
        }
    }
    return collector.failed() ? 1 : 0;
}
