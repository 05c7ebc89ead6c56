#include "Template.h"

#include <QVarLengthArray>

namespace {

using Marker = std::pair<QString, QString>;

// The longest marker that the text starts with, or nullptr.
const Marker *longestMarkerAt(QStringView text, const TemplateMarkers &markers)
{
    const Marker *match = nullptr;
    for (const Marker &marker : markers) {
        if (marker.first.isEmpty() || !text.startsWith(marker.first))
            continue;
        if (!match || marker.first.size() > match->first.size())
            match = &marker;
    }
    return match;
}

} // namespace

// Only positions whose character starts some marker are compared with the
// markers, and the text between matches is copied in one piece: the tree
// load fills a template for every row it loads.
QString fillTemplate(const QString &statementTemplate, const TemplateMarkers &markers)
{
    QVarLengthArray<QChar, 8> starts;
    for (const Marker &marker : markers)
        if (!marker.first.isEmpty() && !starts.contains(marker.first.front()))
            starts.append(marker.first.front());

    const QStringView text(statementTemplate);
    QString filled;
    filled.reserve(text.size() + 32);
    qsizetype copied = 0;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const Marker *match
            = starts.contains(text[pos]) ? longestMarkerAt(text.sliced(pos), markers) : nullptr;
        if (!match) {
            ++pos;
            continue;
        }
        filled += text.sliced(copied, pos - copied);
        filled += match->second;
        pos += match->first.size();
        copied = pos;
    }
    filled += text.sliced(copied);
    return filled;
}
