#pragma once

#include "Harness.h"
#include "Summary.h"

#include <vector>

// Each registers its benchmarks for the plan's sizes and returns the lines
// of the summary table that compare them.
std::vector<Comparison> registerLoadBenchmarks(const Plan &plan);
std::vector<Comparison> registerDeleteBenchmarks(const Plan &plan);
std::vector<Comparison> registerWindowBenchmarks(const Plan &plan);
std::vector<Reading> registerMemoryBenchmark(const Plan &plan);

// "10 000": sizes as the table prints them.
QString grouped(int number);
