#pragma once

#include <QString>
#include <QStringView>

// The text without what no statement can carry as it stands: NUL, at which
// the database client libraries end a statement's text; half of a surrogate
// pair, which a box's length limit leaves when it cuts a pasted text inside a
// character; and the noncharacters U+FFFE and U+FFFF, which SQLite turns into
// U+FFFD. None of them can be typed, and a desktop edit control holds none.
QString withoutUnstorable(QStringView text);
