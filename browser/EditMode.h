#pragma once

#include "store/Failure.h"

#include <QString>

// The modes the toolbar writes into basAU, as decimal text, before it opens
// a dialog; the dialogs act on the numeric value.
enum EditMode {
    auAddFolder = 1,
    auUpdateFolder = 2,
    auAddAccount = 5,
    auUpdateAccount = 6,
    auCopyAccount = 9,
};

// The numeric value of basAU; fails with "Type mismatch" when it is none.
int editMode(const QString &basAU);
// The text the toolbar writes for a mode.
QString modeText(EditMode mode);
