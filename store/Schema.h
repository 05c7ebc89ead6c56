#pragma once

#include <QStringList>

class Connection;

// The ACCOUNT table as a host creates it, for the engine the connection uses.
// The component itself never creates it.
QStringList accountSchemaStatements(const QString &driver);
void createAccountSchema(Connection &connection);

// The columns an account row is written with, in the order of the insert.
const QStringList &accountColumns();
