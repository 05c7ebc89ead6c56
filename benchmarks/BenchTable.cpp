#include "BenchTable.h"

namespace {

// Row i (1-based) of `count` rows beneath `parent`, keys from base + 1: rows
// 1..10 hang under `parent`, and every later row under row (i - 1) / 10, so
// each folder holds ten rows; a row with no row beneath it is an account.
struct Balanced {
    QString key;
    QString parent;
    QString kind;
};

Balanced balanced(int parent, int base, int count)
{
    return {QStringLiteral("%1 + i").arg(base),
        QStringLiteral("CASE WHEN i <= 10 THEN %1 ELSE %2 + (i - 1) / 10 END")
            .arg(parent)
            .arg(base),
        QStringLiteral("CASE WHEN 10 * i + 1 <= %1 THEN 'F' ELSE 'A' END").arg(count)};
}

} // namespace

QString shapeName(Shape shape)
{
    switch (shape) {
    case Shape::Wide:
        return QStringLiteral("wide");
    case Shape::Balanced:
        return QStringLiteral("balanced");
    case Shape::Deep:
        return QStringLiteral("deep");
    }
    return {};
}

std::map<std::tuple<Shape, int, BenchTable::Engine>, std::unique_ptr<BenchTable>> &
BenchTable::kept()
{
    static std::map<std::tuple<Shape, int, Engine>, std::unique_ptr<BenchTable>> tables;
    return tables;
}

void BenchTable::releaseAll()
{
    kept().clear();
}

BenchTable &BenchTable::of(Shape shape, int rows, Engine engine)
{
    std::unique_ptr<BenchTable> &table = kept()[{shape, rows, engine}];
    if (table)
        return *table;
    table = empty(engine);
    switch (shape) {
    case Shape::Wide:
        table->addRows(rows, QStringLiteral("i"), QStringLiteral("0"),
            QStringLiteral("CASE WHEN i % 10 = 0 THEN 'F' ELSE 'A' END"));
        break;
    case Shape::Balanced: {
        const Balanced b = balanced(0, 0, rows);
        table->addRows(rows, b.key, b.parent, b.kind);
        break;
    }
    case Shape::Deep:
        table->addRows(rows, QStringLiteral("i"), QStringLiteral("i - 1"), QStringLiteral("'F'"));
        break;
    }
    return *table;
}

std::unique_ptr<BenchTable> BenchTable::empty(Engine engine)
{
    return std::unique_ptr<BenchTable>(new BenchTable(engine));
}

void BenchTable::addFolderSubtree(int top, int rows)
{
    addRows(1, QString::number(top), QStringLiteral("0"), QStringLiteral("'F'"));
    const Balanced b = balanced(top, top, rows - 1);
    addRows(rows - 1, b.key, b.parent, b.kind);
}

void BenchTable::removeAll()
{
    m_db.db().execute(QStringLiteral("DELETE FROM ACCOUNT"));
    m_rows = 0;
}

// Accounts carry what a real account holds, so that reading a row costs
// what it costs in a mail client's table. MariaDB joins texts with CONCAT,
// divides whole numbers with DIV, puts the WITH after INSERT and stops a
// recursion at a thousand steps unless told otherwise.
void BenchTable::addRows(int count, const QString &key, const QString &parent, const QString &kind)
{
    if (count <= 0)
        return;
    const bool mysql = m_db.db().engine() == u"QMYSQL";
    const auto join = [mysql](const QString &a, const QString &b) {
        return mysql ? QStringLiteral("CONCAT(%1, %2)").arg(a, b)
                     : QStringLiteral("%1 || %2").arg(a, b);
    };
    const auto sql = [mysql](QString text) {
        return mysql ? text.replace(QStringLiteral(" / "), QStringLiteral(" DIV ")) : text;
    };
    const QString numbers = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ")
                                .arg(count);
    const QString insert = QStringLiteral(
        "INSERT INTO ACCOUNT(ACCOUNT_NO, P_ACCOUNT_NO, KIND, NAME, SENDER, MAIL_ADDRESS, "
        "SMTP_HOST, SMTP_PORT, POP_HOST, POP_PORT, USERID, PSWD, OFFICE_NAME) ");
    const QString select
        = QStringLiteral(
            "SELECT k, p, t, %1, CASE t WHEN 'A' THEN %2 END, "
            "CASE t WHEN 'A' THEN %3 END, "
            "CASE t WHEN 'A' THEN 'smtp.example.jp' END, CASE t WHEN 'A' THEN '25' END, "
            "CASE t WHEN 'A' THEN 'pop.example.jp' END, CASE t WHEN 'A' THEN '110' END, "
            "CASE t WHEN 'A' THEN %4 END, CASE t WHEN 'A' THEN 'secret' END, "
            "CASE t WHEN 'A' THEN '株式会社サンプル' END "
            "FROM (SELECT %5 AS k, %6 AS p, %7 AS t FROM n) AS rows_made")
              .arg(join(QStringLiteral("CASE t WHEN 'F' THEN 'フォルダ ' ELSE 'アカウント ' END"),
                       QStringLiteral("k")),
                  join(QStringLiteral("'送信者 '"), QStringLiteral("k")),
                  join(join(QStringLiteral("'user'"), QStringLiteral("k")),
                      QStringLiteral("'@example.jp'")),
                  join(QStringLiteral("'user'"), QStringLiteral("k")), sql(key), sql(parent),
                  sql(kind));
    Connection &db = m_db.db();
    if (mysql)
        db.execute(QStringLiteral("SET SESSION max_recursive_iterations = %1").arg(count + 1));
    db.execute(QStringLiteral("BEGIN"));
    db.execute(mysql ? insert + numbers + select : numbers + insert + select);
    db.execute(QStringLiteral("COMMIT"));
    m_rows += count;
}
