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
        std::cerr << name << ": " << figure.ms << " ms CPU";
        if (const auto wall = figure.counters.find("wall_ms"); wall != figure.counters.end())
            std::cerr << ", " << wall->second << " ms wall";
        if (run.run_type == Run::RT_Aggregate)
            std::cerr << " (fastest of " << run.iterations << " repetitions)" << std::endl;
        else
            std::cerr << " (" << run.iterations << " iterations)" << std::endl;
        m_figures[name] = figure;
    }
}

Summary::Summary(const std::map<std::string, Figure> &figures,
    const std::vector<Comparison> &comparisons, const std::vector<Reading> &readings)
    : m_figures(figures)
{
    for (const Comparison &comparison : comparisons) {
        const auto measured = figures.find(comparison.measured.toStdString());
        const auto reference = figures.find(comparison.reference.toStdString());
        if (measured != figures.end() && reference != figures.end())
            m_lines.push_back({comparison, measured->second.ms, reference->second.ms});
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

QString Summary::Line::verdict() const
{
    if (!comparison.target)
        return QString();
    return ratio() <= *comparison.target ? QStringLiteral("met") : QStringLiteral("MISSED");
}

QString Summary::table() const
{
    QStringList text {QStringLiteral("| what | CPU time | against | CPU time | ratio | target | |"),
        QStringLiteral("|---|---:|---|---:|---:|---:|---|")};
    const auto ms
        = [](double value) { return QString::number(value, 'f', 2) + QStringLiteral(" ms"); };
    for (const Line &line : m_lines) {
        const Comparison &c = line.comparison;
        text << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
                    .arg(c.what, ms(line.measuredMs), c.against, ms(line.referenceMs),
                        QString::number(line.ratio(), 'f', 2),
                        c.target ? QStringLiteral("≤ %1").arg(*c.target) : QStringLiteral("–"),
                        line.verdict());
    }
    for (const Value &value : m_values)
        text << QStringLiteral("| %1 | %2 %3 | – | – | – | – | |")
                    .arg(value.reading.what, QString::number(value.value, 'f', 0),
                        value.reading.unit);
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
            {QStringLiteral("against"), c.against}, {QStringLiteral("reference"), c.reference},
            {QStringLiteral("reference_ms"), line.referenceMs},
            {QStringLiteral("ratio"), line.ratio()}};
        if (c.target) {
            object.insert(QStringLiteral("target"), *c.target);
            object.insert(QStringLiteral("met"), line.ratio() <= *c.target);
        }
        lines.append(object);
    }
    QJsonArray readings;
    for (const Value &value : m_values)
        readings.append(QJsonObject {{QStringLiteral("what"), value.reading.what},
            {QStringLiteral("benchmark"), value.reading.benchmark},
            {QStringLiteral("value"), value.value}, {QStringLiteral("unit"), value.reading.unit}});
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
