#include "KeyText.h"

namespace {

// Only a spelling that QString::number gives back unchanged.
bool isOwnDecimalText(QStringView text)
{
    const QStringView digits = text.startsWith(u'-') ? text.sliced(1) : text;
    if (digits.isEmpty() || digits.size() > 19 || (digits.front() == u'0' && text.size() > 1))
        return false;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

KeyText::KeyText(const QString &text)
{
    bool fits = false;
    const qint64 number = isOwnDecimalText(text) ? text.toLongLong(&fits) : 0;
    if (fits) {
        m_number = number;
        m_isNumber = true;
    } else {
        m_text = text;
    }
}

KeyText KeyText::of(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return KeyText(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return KeyText(qint64(value.toUInt()));
    default:
        return KeyText(value.toString());
    }
}
