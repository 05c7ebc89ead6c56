#pragma once

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

// The numeric value of basAU. Throws DbError ("Type mismatch") when the text
// is not a whole number.
int editMode(const QString &basAU);
