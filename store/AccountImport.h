#pragma once

#include "AccountFile.h"

#include <QString>

#include <optional>
#include <vector>

class Connection;

// Puts a file's rows under the folder with parentKey ("0": the root), all in
// one transaction: each row is inserted without a key, and the key the
// database gave it read back as the program's own adds read it, so that its
// children name it. The new keys, in the order of the contents; none when
// the folder is gone, and nothing written. Throws when the key is no
// folder's or a statement fails, and nothing is written then either.
std::optional<std::vector<qint64>> importRows(
    Connection &db, const QString &parentKey, const AccountFile::Contents &contents);
