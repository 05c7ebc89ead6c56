#include "StoredValue.h"

#include "Statement.h"

#include <array>

QString sqlLiteral(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    if (isRawText(value))
        return QStringLiteral("X'%1'").arg(
            QString::fromLatin1(value.value<RawText>().bytes.toHex()));
    switch (value.metaType().id()) {
    case QMetaType::QByteArray:
        return QStringLiteral("X'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return QLatin1Char('\'') + value.toString().replace(u'\'', QStringLiteral("''"))
            + QLatin1Char('\'');
    }
}

QString BoundStatement::filled() const
{
    QString text;
    qsizetype next = 0;
    for (const QChar c : this->text)
        if (c == u'?' && next < values.size())
            text += sqlLiteral(values.at(next++));
        else
            text += c;
    return text;
}

QString textFromUtf8(const char *text, qsizetype size)
{
    static const std::array<QString, 128> ascii = [] {
        std::array<QString, 128> texts;
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i] = QString(QChar(char16_t(i)));
        return texts;
    }();
    if (size == 1 && uchar(text[0]) < ascii.size())
        return ascii[uchar(text[0])];
    return QString::fromUtf8(text, size);
}
