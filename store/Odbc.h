#pragma once

#include <QString>

class QSqlDatabase;

// What differs when a database is reached through the ODBC driver manager
// (unixODBC) and a driver of its own, instead of through QtSql's driver for
// the engine. Connection meets each difference here, so that the windows see
// the same values and failures whatever the way in.
namespace Odbc {

// The engine behind the driver, named as QtSql names its own driver for it
// (QSQLITE, QPSQL, QMYSQL), or QODBC when it cannot be told.
QString engineBehind(const QSqlDatabase &db);

// Whether a statement reaches the database with every character as it was
// written; not so through a driver that takes narrow text.
bool carriesEveryCharacter(const QSqlDatabase &db);

// The statement with each quoted value that holds a character past ASCII
// written as its UTF-8 bytes, CAST(X'...' AS TEXT), which SQLite stores as
// the same text.
QString withValuesAsBytes(const QString &statement);

// The first character of the text past ASCII, or 0 when there is none.
char32_t firstPastAscii(const QString &text);

} // namespace Odbc
