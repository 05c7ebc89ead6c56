#pragma once

#include "StoredRows.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The file the account settings are exported to and imported from: JSON in
// UTF-8, its format's name and version first, then one entry a row, each
// with the row's key as its "id", its parent's "id" (null for a row whose
// parent is not in the file) and every other column in "values". A value
// keeps what the table held: null, a text, a whole number, or an object for
// what JSON cannot say itself ({"real": n}, {"blob": base64} for bytes,
// {"textBytes": base64} for a text whose bytes are not UTF-8).
namespace AccountFile {

inline constexpr char formatName[] = "tx_account.settings";
inline constexpr int formatVersion = 1;
// Far beyond any set of accounts a person keeps; a larger file is refused
// before it is read.
inline constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
inline constexpr qsizetype maxRows = 100000;

// What a file holds, ready to go into a table: each row's columns without
// its keys, every parent before its children, siblings in the file's order.
struct Contents {
    std::vector<StoredRow> rows;
    std::vector<qsizetype> parents; // each row's parent in `rows`; -1 for a top row
    int depth = 0; // the deepest row's level, a top row's being 1
};

// Rows as readSubtree gives them, the first one the top of what is written.
// PSWD is left out unless asked for.
QByteArray toJson(const std::vector<StoredRow> &rows, bool withPasswords);
// Throws Failure saying what is wrong, and for an entry which one.
Contents fromJson(const QByteArray &json);

// Written whole or not at all; with passwords, readable by its owner only.
// Throws Failure.
void save(const QString &path, const std::vector<StoredRow> &rows, bool withPasswords);
// Throws Failure naming the file and what is wrong with it.
Contents load(const QString &path);

// How many folders and accounts went out or came in.
QString exportedSummary(const std::vector<StoredRow> &rows);
QString importedSummary(const std::vector<StoredRow> &rows);

} // namespace AccountFile
