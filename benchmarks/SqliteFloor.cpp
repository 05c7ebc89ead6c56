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

// What the load reads of each row: the key to descend with, the parent's
// key, the kind and the name.
int readRow(sqlite3_stmt *stmt)
{
    sqlite3_column_text(stmt, 1);
    sqlite3_column_text(stmt, 2);
    sqlite3_column_text(stmt, 3);
    return sqlite3_column_int(stmt, 0);
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

// The load's statements in its order and its way: the outermost level is
// stepped as the load goes, every deeper level is read whole and finalized
// before the descent.
int SqliteFloor::loadStatements()
{
    struct Level {
        sqlite3_stmt *open = nullptr;
        std::vector<int> keys;
        size_t next = 0;
    };
    int rows = 0;
    std::vector<Level> levels(1);
    levels.front().open = prepare(childrenQuery(0));
    while (!levels.empty()) {
        Level &level = levels.back();
        int key = 0;
        if (level.open && sqlite3_step(level.open) == SQLITE_ROW) {
            key = readRow(level.open);
        } else if (!level.open && level.next < level.keys.size()) {
            key = level.keys[level.next++];
        } else {
            sqlite3_finalize(level.open);
            levels.pop_back();
            continue;
        }
        ++rows;
        Level child;
        sqlite3_stmt *stmt = prepare(childrenQuery(key));
        while (sqlite3_step(stmt) == SQLITE_ROW)
            child.keys.push_back(readRow(stmt));
        sqlite3_finalize(stmt);
        levels.push_back(std::move(child));
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

namespace {

// One compiled statement, bound to a number and run again.
class Compiled {
public:
    Compiled(sqlite3 *db, const char *shape)
    {
        if (sqlite3_prepare_v2(db, shape, -1, &m_statement, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Compiled() { sqlite3_finalize(m_statement); }
    Compiled(const Compiled &) = delete;
    Compiled &operator=(const Compiled &) = delete;

    sqlite3_stmt *bound(qint64 number)
    {
        sqlite3_reset(m_statement);
        sqlite3_bind_int64(m_statement, 1, number);
        return m_statement;
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

const char *childrenShape = "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = ? ORDER BY ACCOUNT_NO";

} // namespace

// The outermost level steps one compiled statement while a second serves
// every deeper level, each read whole before the descent.
int SqliteFloor::loadCompiled()
{
    Compiled outer(m_db, childrenShape);
    Compiled inner(m_db, childrenShape);
    const auto childrenOf = [&inner](int key) {
        std::vector<int> keys;
        sqlite3_stmt *stmt = inner.bound(key);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            keys.push_back(readRow(stmt));
        sqlite3_reset(stmt);
        return keys;
    };
    struct Level {
        std::vector<int> keys;
        size_t next = 0;
    };
    int rows = 0;
    sqlite3_stmt *top = outer.bound(0);
    std::vector<Level> levels;
    while (true) {
        int key = 0;
        if (!levels.empty() && levels.back().next < levels.back().keys.size()) {
            key = levels.back().keys[levels.back().next++];
        } else if (!levels.empty()) {
            levels.pop_back();
            continue;
        } else if (sqlite3_step(top) == SQLITE_ROW) {
            key = readRow(top);
        } else {
            break;
        }
        ++rows;
        levels.push_back({childrenOf(key)});
    }
    return rows;
}

int SqliteFloor::deleteCompiled(int key)
{
    Compiled children(m_db, "select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= ?");
    Compiled remove(m_db, "Delete from ACCOUNT where ACCOUNT_no= ?");
    const auto childKeys = [&children](qint64 parent) {
        std::vector<qint64> keys;
        sqlite3_stmt *stmt = children.bound(parent);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            keys.push_back(sqlite3_column_int64(stmt, 0));
        sqlite3_reset(stmt);
        return keys;
    };
    struct Level {
        qint64 key;
        std::vector<qint64> children;
        size_t next = 0;
    };
    int statements = 1;
    std::vector<Level> levels;
    levels.push_back({key, childKeys(key)});
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next < level.children.size()) {
            const qint64 child = level.children[level.next++];
            levels.push_back({child, childKeys(child)});
            ++statements;
            continue;
        }
        sqlite3_stmt *stmt = remove.bound(level.key);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
        ++statements;
        levels.pop_back();
    }
    return statements;
}
