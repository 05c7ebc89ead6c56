#include "SqliteFloor.h"

#include "store/DbError.h"

#include <sqlite3.h>

#include <vector>

namespace {

QByteArray childrenQuery(int key)
{
    return "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = " + QByteArray::number(key)
        + " ORDER BY ACCOUNT_NO";
}

QByteArray withKey(const char *statementTemplate, const QByteArray &key)
{
    return QByteArray(statementTemplate).replace("%1", key);
}

} // namespace

SqliteFloor::SqliteFloor(const QString &path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    sqlite3_busy_timeout(m_db, 5000);
}

SqliteFloor::~SqliteFloor()
{
    sqlite3_close_v2(m_db);
}

sqlite3_stmt *SqliteFloor::prepare(const QByteArray &statement)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, statement.constData(), int(statement.size()), &stmt, nullptr)
        != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    return stmt;
}

void SqliteFloor::run(const QByteArray &statement)
{
    sqlite3_stmt *stmt = prepare(statement);
    while (sqlite3_step(stmt) == SQLITE_ROW) { }
    sqlite3_finalize(stmt);
}

// Reads what the load reads of each row: the key to descend with, the
// parent's key, the kind and the name.
int SqliteFloor::loadStatements()
{
    int rows = 0;
    std::vector<sqlite3_stmt *> levels {prepare(childrenQuery(0))};
    while (!levels.empty()) {
        sqlite3_stmt *level = levels.back();
        if (sqlite3_step(level) != SQLITE_ROW) {
            sqlite3_finalize(level);
            levels.pop_back();
            continue;
        }
        ++rows;
        const int key = sqlite3_column_int(level, 0);
        sqlite3_column_text(level, 1);
        sqlite3_column_text(level, 2);
        sqlite3_column_text(level, 3);
        levels.push_back(prepare(childrenQuery(key)));
    }
    return rows;
}

// Each level's children are read whole before the descent, as the component
// does, so every delete commits on its own.
int SqliteFloor::deleteStatements(int key)
{
    struct Level {
        QByteArray key;
        std::vector<QByteArray> children;
        size_t next = 0;
    };
    const auto childKeys = [this](const QByteArray &parent) {
        std::vector<QByteArray> keys;
        sqlite3_stmt *stmt = prepare(
            withKey("select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= %1", parent));
        while (sqlite3_step(stmt) == SQLITE_ROW)
            keys.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return keys;
    };
    int statements = 1;
    std::vector<Level> levels;
    levels.push_back({QByteArray::number(key), childKeys(QByteArray::number(key))});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next < level.children.size()) {
            QByteArray child = level.children[level.next++];
            std::vector<QByteArray> grandChildren = childKeys(child);
            levels.push_back({std::move(child), std::move(grandChildren)});
            ++statements;
            continue;
        }
        run(withKey("Delete from ACCOUNT where ACCOUNT_no= %1", level.key));
        ++statements;
        levels.pop_back();
    }
    return statements;
}
