#include "Summary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <iostream>

bool Collector::ReportContext(const Context &)
{
    return true;
}

void Collector::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        // Repeated benchmarks count by their fastest repetition: on a machine
        // shared with other work, the slower ones measure the others too.
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min")
            continue;
        // The registered name, without the suffixes the library adds for
        // manual time and fixed iterations.
        const std::string name = run.run_name.function_name;
        if (run.error_occurred) {
            m_failed = true;
            std::cerr << name << ": FAILED: " << run.error_message << std::endl;
            continue;
        }
        Figure figure;
        figure.ms = run.GetAdjustedRealTime()
            * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond)
            / benchmark::GetTimeUnitMultiplier(run.time_unit);
        for (const auto &[key, counter] : run.counters)
            figure.counters[key] = counter.value;
        // Counted by the fastest iteration: the others measure, besides the
        // work, whatever else the machine ran meanwhile.
        if (const auto best = figure.counters.find("best_ms"); best != figure.counters.end())
            figure.ms = best->second;
        std::cerr << name << ": " << figure.ms << " ms CPU";
        if (const auto wall = figure.counters.find("wall_ms"); wall != figure.counters.end())
            std::cerr << ", " << wall->second << " ms wall";
        if (run.run_type == Run::RT_Aggregate)
            std::cerr << " (fastest run of " << run.iterations << " repetitions)" << std::endl;
        else
            std::cerr << " (" << run.iterations << " iterations)" << std::endl;
        m_figures[name] = figure;
    }
}

Summary::Summary(const std::map<std::string, Figure> &figures,
    const std::vector<Comparison> &comparisons, const std::vector<Reading> &readings)
    : m_figures(figures)
{
    const auto msOf = [&figures](const QString &name, bool wall) -> std::optional<double> {
        const auto found = figures.find(name.toStdString());
        if (found == figures.end())
            return std::nullopt;
        if (!wall)
            return found->second.ms;
        const auto counter = found->second.counters.find("wall_ms");
        return counter == found->second.counters.end() ? std::nullopt
                                                       : std::optional(counter->second);
    };
    for (const Comparison &comparison : comparisons) {
        const auto measured = msOf(comparison.measured, comparison.wall);
        const auto reference = comparison.reference.isEmpty()
            ? std::optional(0.0)
            : msOf(comparison.reference, comparison.wall);
        if (measured && reference)
            m_lines.push_back({comparison, *measured, *reference});
    }
    for (const Reading &reading : readings) {
        const auto figure = figures.find(reading.benchmark.toStdString());
        if (figure == figures.end())
            continue;
        const auto counter = figure->second.counters.find(reading.counter);
        if (counter != figure->second.counters.end())
            m_values.push_back({reading, counter->second});
    }
}

QString Summary::verdict(double value, std::optional<double> target)
{
    if (!target)
        return QString();
    return value <= *target ? QStringLiteral("met") : QStringLiteral("MISSED");
}

QString Summary::table() const
{
    QStringList text {QStringLiteral("| what | CPU time | against | CPU time | ratio | target | |"),
        QStringLiteral("|---|---:|---|---:|---:|---:|---|")};
    const auto ms
        = [](double value) { return QString::number(value, 'f', 2) + QStringLiteral(" ms"); };
    const auto bound = [](std::optional<double> target, const QString &unit = QString()) {
        return target ? QStringLiteral("≤ %1%2").arg(*target).arg(unit) : QStringLiteral("–");
    };
    for (const Line &line : m_lines) {
        const Comparison &c = line.comparison;
        const QString clock = c.wall ? QStringLiteral(" (wall clock)") : QString();
        if (c.reference.isEmpty()) {
            text << QStringLiteral("| %1%2 | %3 | – | – | – | %4 | %5 |")
                        .arg(c.what, clock, ms(line.measuredMs), bound(c.target, " ms"),
                            verdict(line.judged(), c.target));
            continue;
        }
        text << QStringLiteral("| %1%2 | %3 | %4 | %5 | %6 | %7 | %8 |")
                    .arg(c.what, clock, ms(line.measuredMs), c.against, ms(line.referenceMs),
                        QString::number(line.judged(), 'f', 2), bound(c.target),
                        verdict(line.judged(), c.target));
    }
    for (const Value &value : m_values)
        text << QStringLiteral("| %1 | %2 %3 | – | – | – | %4 | %5 |")
                    .arg(value.reading.what, QString::number(value.value, 'f', 0),
                        value.reading.unit, bound(value.reading.target),
                        verdict(value.value, value.reading.target));
    return text.join(QLatin1Char('\n'));
}

QByteArray Summary::json() const
{
    QJsonArray lines;
    for (const Line &line : m_lines) {
        const Comparison &c = line.comparison;
        QJsonObject object {{QStringLiteral("what"), c.what},
            {QStringLiteral("measured"), c.measured},
            {QStringLiteral("measured_ms"), line.measuredMs},
            {QStringLiteral("clock"), c.wall ? QStringLiteral("wall") : QStringLiteral("cpu")}};
        if (!c.reference.isEmpty()) {
            object.insert(QStringLiteral("against"), c.against);
            object.insert(QStringLiteral("reference"), c.reference);
            object.insert(QStringLiteral("reference_ms"), line.referenceMs);
            object.insert(QStringLiteral("ratio"), line.judged());
        }
        if (c.target) {
            object.insert(QStringLiteral("target"), *c.target);
            object.insert(QStringLiteral("met"), line.judged() <= *c.target);
        }
        lines.append(object);
    }
    QJsonArray readings;
    for (const Value &value : m_values) {
        QJsonObject object {{QStringLiteral("what"), value.reading.what},
            {QStringLiteral("benchmark"), value.reading.benchmark},
            {QStringLiteral("value"), value.value}, {QStringLiteral("unit"), value.reading.unit}};
        if (value.reading.target) {
            object.insert(QStringLiteral("target"), *value.reading.target);
            object.insert(QStringLiteral("met"), value.value <= *value.reading.target);
        }
        readings.append(object);
    }
    QJsonObject benchmarks;
    for (const auto &[name, figure] : m_figures) {
        QJsonObject object {{QStringLiteral("ms"), figure.ms}};
        for (const auto &[key, value] : figure.counters)
            object.insert(QString::fromStdString(key), value);
        benchmarks.insert(QString::fromStdString(name), object);
    }
    return QJsonDocument(
        QJsonObject {{QStringLiteral("comparisons"), lines}, {QStringLiteral("readings"), readings},
            {QStringLiteral("benchmarks"), benchmarks}})
        .toJson();
}
