#pragma once

#include <QString>

class QSqlDatabase;

// What differs when a database is reached through the ODBC driver manager
// (unixODBC) and a driver of its own, instead of through QtSql's driver for
// the engine. Connection meets each difference here, so that the windows see
// the same values and failures whatever the way in.
namespace Odbc {

// Opens the connection so that the driver manager hands an ANSI driver its
// text as UTF-8, whatever the host's locale.
bool open(QSqlDatabase &db);

// The engine behind the driver, named as QtSql names its own driver for it
// (QSQLITE, QPSQL, QMYSQL), or QODBC when it cannot be told.
QString engineBehind(const QSqlDatabase &db);

// The largest character that a statement carries to the database and back
// unchanged: U+10FFFF, or less when the driver takes narrow text.
char32_t widestCharacter(const QSqlDatabase &db);

// The statement with each quoted value that holds a character past `widest`
// written as its UTF-8 bytes, CAST(X'...' AS TEXT), which SQLite stores as
// the same text.
QString withWideValuesAsBytes(const QString &statement, char32_t widest);

// The first character of the text beyond `widest`, or 0 when there is none.
char32_t firstBeyond(const QString &text, char32_t widest);

} // namespace Odbc
