#pragma once

#include <benchmark/benchmark.h>

#include <QString>

#include <chrono>
#include <functional>

// Sizes of one run: the full set, or the smallest of each for the tests.
struct Plan {
    std::vector<int> loadRows;
    int deepRows;
    int serverRows; // the wide load on each server ./bench starts
    std::vector<int> deleteRows;
    int windowRows;
    int memoryRows;

    static Plan full();
    static Plan smoke();
};

// A moment on two clocks: the wall clock, and the CPU time of this thread,
// which the other programs sharing the machine do not inflate.
struct Instant {
    std::chrono::steady_clock::time_point wall;
    double cpu;
    static Instant now();
};

// Seconds between two instants on each clock.
struct Took {
    double cpu = 0;
    double wall = 0;
    static Took between(const Instant &start, const Instant &end);
};

template <typename Work> Took timeOf(Work &&work)
{
    const Instant start = Instant::now();
    work();
    return Took::between(start, Instant::now());
}

// Times one iteration's work (which reports what it timed) as often as the
// library asks. The CPU time is the measure; the fastest iteration's goes
// beside it as the counter best_ms, the average wall-clock time as wall_ms.
void timeEach(benchmark::State &state, const std::function<Took()> &work);

// A benchmark timed by hand (only what each iteration reports counts), in
// ms, with the least of its repetitions as the statistic "min".
benchmark::internal::Benchmark *addBenchmark(
    const QString &name, std::function<void(benchmark::State &)> body);

// Message boxes are answered OK at once and counted: a benchmark whose work
// showed one did not measure what it meant to.
void answerMessagesQuietly();
int messagesShown();

// Deletes the widgets that closing windows left for the event loop.
void disposeDeferred();
