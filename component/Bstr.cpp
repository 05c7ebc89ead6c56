#include "Bstr.h"

QString fromBstr(BSTR text)
{
    // A null BSTR is the empty string, as in automation.
    if (!text)
        return QString();
    return QString::fromUtf16(text, static_cast<qsizetype>(TxSysStringLen(text)));
}

BSTR toBstr(const QString &text)
{
    return TxSysAllocStringLen(
        reinterpret_cast<const OLECHAR *>(text.utf16()), static_cast<UINT>(text.size()));
}
