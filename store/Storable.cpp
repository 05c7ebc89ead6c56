#include "Storable.h"

namespace {

bool storable(QChar character)
{
    return !character.isNull() && !character.isSurrogate() && character.unicode() < 0xFFFE;
}

} // namespace

QString withoutUnstorable(QStringView text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text.at(i);
        if (character.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += character;
            kept += text.at(++i);
        } else if (storable(character)) {
            kept += character;
        }
    }
    return kept;
}
