#include "Harness.h"

#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <ctime>
#include <limits>

namespace {

int shown = 0;

} // namespace

Plan Plan::full()
{
    // The chain stops one row short of the tree's depth limit, so the load
    // runs its whole query per row and shows no message.
    return {{1000, 10000, 100000}, 9999, 10000, {1000, 10000}, 10000, 100000};
}

Plan Plan::smoke()
{
    return {{1000}, 1000, 1000, {1000}, 100, 1000};
}

Instant Instant::now()
{
    timespec cpu {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {std::chrono::steady_clock::now(), double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9};
}

Took Took::between(const Instant &start, const Instant &end)
{
    return {end.cpu - start.cpu, std::chrono::duration<double>(end.wall - start.wall).count()};
}

void timeEach(benchmark::State &state, const std::function<Took()> &work)
{
    double wall = 0;
    double best = std::numeric_limits<double>::infinity();
    for (auto _ : state) {
        const Took took = work();
        state.SetIterationTime(took.cpu);
        wall += took.wall;
        best = std::min(best, took.cpu);
    }
    state.counters["wall_ms"] = benchmark::Counter(wall * 1000, benchmark::Counter::kAvgIterations);
    state.counters["best_ms"] = best * 1000;
}

benchmark::internal::Benchmark *addBenchmark(
    const QString &name, std::function<void(benchmark::State &)> body)
{
    return benchmark::RegisterBenchmark(name.toStdString().c_str(), std::move(body))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", [](const std::vector<double> &values) {
            return *std::min_element(values.begin(), values.end());
        });
}

void answerMessagesQuietly()
{
    MessageBox::setAnswerer([](const MessageBox::Request &) {
        ++shown;
        return MessageBox::Answer::Ok;
    });
}

int messagesShown()
{
    return shown;
}

void disposeDeferred()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
