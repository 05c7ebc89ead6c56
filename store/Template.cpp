#include "Template.h"

QString fillTemplate(const QString &statementTemplate, const TemplateMarkers &markers)
{
    QString filled;
    filled.reserve(statementTemplate.size() + 32);
    qsizetype pos = 0;
    while (pos < statementTemplate.size()) {
        const std::pair<QString, QString> *match = nullptr;
        for (const auto &marker : markers) {
            if (marker.first.isEmpty()
                || !QStringView(statementTemplate).sliced(pos).startsWith(marker.first))
                continue;
            if (!match || marker.first.size() > match->first.size())
                match = &marker;
        }
        if (match) {
            filled += match->second;
            pos += match->first.size();
        } else {
            filled += statementTemplate.at(pos);
            ++pos;
        }
    }
    return filled;
}
