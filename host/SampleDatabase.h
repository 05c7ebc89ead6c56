#pragma once

#include <QString>

// The demo database the host opens when it is given no connection string:
// an ACCOUNT table with a small tree of folders and accounts.
QString sampleDatabasePath();
// Creates the file with the table and the sample rows; throws DbError.
void createSampleDatabase(const QString &path);
// The sample database's path, the database created first when it is not
// there (a line on stderr says so); throws DbError.
QString sampleConnectionString();
