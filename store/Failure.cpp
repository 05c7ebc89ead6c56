#include "Failure.h"

#include <limits>

qint64 wholeNumber(const QVariant &value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok)
        throw Failure(
            QStringLiteral("Type mismatch: \"%1\" is not a whole number").arg(value.toString()));
    return number;
}

qint32 wholeNumber32(const QVariant &value)
{
    const qint64 number = wholeNumber(value);
    if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
        throw Failure(QStringLiteral("Overflow: %1 is not a 32-bit whole number").arg(number));
    return qint32(number);
}
