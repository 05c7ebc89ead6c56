#pragma once

#include <benchmark/benchmark.h>

#include <QString>

#include <chrono>
#include <functional>

// Sizes of one run: the full set, or the smallest of each for the tests.
struct Plan {
    std::vector<int> loadRows;
    int deepRows;
    std::vector<int> deleteRows;
    int windowRows;
    int memoryRows;

    static Plan full();
    static Plan smoke();
};

// The seconds one piece of work takes on the steady clock.
template <typename Work> double secondsTaken(Work &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A benchmark timed by hand (only what each iteration reports counts), in ms.
benchmark::internal::Benchmark *addBenchmark(
    const QString &name, std::function<void(benchmark::State &)> body);

// Message boxes are answered OK at once and counted: a benchmark whose work
// showed one did not measure what it meant to.
void answerMessagesQuietly();
int messagesShown();

// Deletes the widgets that closing windows left for the event loop.
void disposeDeferred();
