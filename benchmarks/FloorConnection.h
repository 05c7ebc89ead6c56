#pragma once

#include "store/ConnectionString.h"
#include "store/DbError.h"

#include <QSqlDatabase>

// A QtSql connection of the floors' own, opened from the component's
// connection string and removed when it goes.
class FloorConnection {
public:
    FloorConnection(const QString &connectionString, const QString &name)
        : m_name(name)
    {
        const ConnectionSettings settings = parseConnectionString(connectionString);
        QSqlDatabase db = QSqlDatabase::addDatabase(settings.driver, m_name);
        db.setDatabaseName(settings.databaseName);
        db.setHostName(settings.hostName);
        db.setPort(settings.port);
        db.setUserName(settings.userName);
        db.setPassword(settings.password);
        db.setConnectOptions(settings.connectOptions);
        if (!db.open())
            throw DbError(m_name + QStringLiteral(": cannot open ") + connectionString);
    }
    ~FloorConnection() { QSqlDatabase::removeDatabase(m_name); }
    FloorConnection(const FloorConnection &) = delete;
    FloorConnection &operator=(const FloorConnection &) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};
