#include "EditMode.h"

int editMode(const QString &basAU)
{
    return int(wholeNumber(basAU.trimmed()));
}

QString modeText(EditMode mode)
{
    return QString::number(mode);
}
