#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The benchmark binary measures the memory of a load in a fresh process of
// its own: started with the probe option, it loads the table and prints
// its figures instead of running benchmarks.
std::optional<QString> memoryProbeTable(const QStringList &arguments);
int runMemoryProbe(const QString &path);
