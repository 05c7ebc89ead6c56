#pragma once

#include <QString>

// What a host's connection string names, in the terms QSqlDatabase needs.
struct ConnectionSettings {
    QString driver; // QSQLITE, QPSQL, QMYSQL or QODBC
    QString databaseName;
    QString hostName;
    int port = -1;
    QString userName;
    QString password;
    QString connectOptions;
};

// Accepts a plain path or file: URI (SQLite), ADO/ODBC style
// "Provider=...;Data Source=..." pairs, and postgresql://, mysql:// and
// sqlite: URLs. Throws DbError naming what is wrong; never quotes a password.
ConnectionSettings parseConnectionString(const QString &text);
