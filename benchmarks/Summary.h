#pragma once

#include <benchmark/benchmark.h>

#include <QString>

#include <map>
#include <optional>
#include <vector>

// What one benchmark measured: milliseconds per iteration and its counters.
struct Figure {
    double ms = 0;
    std::map<std::string, double> counters;
};

// Keeps every benchmark's figure for the summary and shows progress on stderr.
class Collector : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;

    const std::map<std::string, Figure> &figures() const { return m_figures; }
    bool failed() const { return m_failed; }

private:
    std::map<std::string, Figure> m_figures;
    bool m_failed = false;
};

// One line of the table: a measurement beside what it is compared with.
// Without a reference the measurement stands alone and the target is in ms.
struct Comparison {
    QString what;
    QString measured; // benchmark name
    QString against; // a label
    QString reference; // benchmark name, or empty
    std::optional<double> target; // the ratio (or the ms) must stay at or below it
    // Compares the wall-clock times instead of the CPU times.
    bool wall = false;
};

// A counter of one benchmark shown on its own line.
struct Reading {
    QString what;
    QString benchmark;
    std::string counter;
    QString unit;
    std::optional<double> target; // the value must stay at or below it
};

// The table of every comparison and reading whose figures were measured, as
// text, and the same figures as JSON.
class Summary {
public:
    Summary(const std::map<std::string, Figure> &figures,
        const std::vector<Comparison> &comparisons, const std::vector<Reading> &readings);

    QString table() const;
    QByteArray json() const;

private:
    struct Line {
        Comparison comparison;
        double measuredMs;
        double referenceMs; // 0 without a reference
        // The ratio, or without a reference the ms.
        double judged() const { return referenceMs > 0 ? measuredMs / referenceMs : measuredMs; }
    };

    struct Value {
        Reading reading;
        double value;
    };

    static QString verdict(double value, std::optional<double> target);

    std::vector<Line> m_lines;
    std::vector<Value> m_values;
    std::map<std::string, Figure> m_figures;
};
