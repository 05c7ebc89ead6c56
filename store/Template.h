#pragma once

#include <QString>
#include <utility>
#include <vector>

using TemplateMarkers = std::vector<std::pair<QString, QString>>;

// Replaces every occurrence of each marker in the template by its value.
// Only the template's own text is searched: a value that happens to contain
// a marker ("50%2off") is copied as it stands.
QString fillTemplate(const QString &statementTemplate, const TemplateMarkers &markers);
