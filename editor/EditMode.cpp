#include "EditMode.h"

#include "store/DbError.h"

int editMode(const QString &basAU)
{
    bool ok = false;
    const int mode = basAU.trimmed().toInt(&ok);
    if (!ok)
        throw DbError(QStringLiteral("Type mismatch: \"%1\" is not an editing mode").arg(basAU));
    return mode;
}
