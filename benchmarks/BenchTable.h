#pragma once

#include "support/TestDatabase.h"

#include <QString>

#include <map>
#include <memory>
#include <tuple>

// The shapes of account tree the benchmarks load.
enum class Shape {
    Wide, // every row directly under the root, one folder in ten
    Balanced, // folders of ten, accounts in the leaves
    Deep, // one chain of folders
};

// An ACCOUNT table filled with one shape, in the folder the tests use for
// their databases, or on a server ./bench starts. Keys are the row numbers
// 1..rows, so a parent's key is always below its children's.
class BenchTable {
public:
    using Engine = TestDatabase::Engine;

    // One table per shape, size and engine, made on first use and kept for
    // the run.
    static BenchTable &of(Shape shape, int rows, Engine engine = Engine::SQLite);
    // An empty table, made afresh.
    static std::unique_ptr<BenchTable> empty(Engine engine = Engine::SQLite);
    // Removes the kept tables; to be called while QtSql is still there.
    static void releaseAll();

    QString connectionString() const { return m_db.connectionString(); }
    QString path() const { return m_db.path(); }
    int rows() const { return m_rows; }
    int rowCount() { return m_db.value(QStringLiteral("select count(*) from ACCOUNT")).toInt(); }

    // Adds a folder under the root with key `top` and rows - 1 rows beneath it,
    // in folders of ten, numbered from top + 1.
    void addFolderSubtree(int top, int rows);
    void removeAll();

private:
    explicit BenchTable(Engine engine)
        : m_db(engine)
    {
    }
    static std::map<std::tuple<Shape, int, Engine>, std::unique_ptr<BenchTable>> &kept();
    void addRows(int count, const QString &key, const QString &parent, const QString &kind);

    TestDatabase m_db;
    int m_rows = 0;
};

QString shapeName(Shape shape);
