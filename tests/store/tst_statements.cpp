#include "support/TestDatabase.h"

#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Recordset.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {

using Engine = TestDatabase::Engine;

// The account insert exactly as the editor writes it, for a given parent and name.
QString accountInsert(const QString &parent, const QString &name)
{
    return QStringLiteral(
               "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,"
               "SMTP_PORT,POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,"
               "OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '")
        + parent + QStringLiteral("', 'A', '") + name
        + QStringLiteral("','Ann','ann','smtphost','25','pophost','110','ann','','','' ,'Co','Sec',"
                         "'1','2','A1','A2','3')");
}

QString keysOf(Recordset &rs)
{
    QStringList keys;
    for (; !rs.isEOF(); rs.moveNext())
        keys << rs.text(QStringLiteral("ACCOUNT_NO"));
    return keys.join(QLatin1Char(','));
}

} // namespace

class TestStatements : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void mixedCaseStatementsRunAsWritten_data() { engines(); }
    void mixedCaseStatementsRunAsWritten();
    void aClosingQuoteMayBeFollowedDirectlyByWhere_data() { engines(); }
    void aClosingQuoteMayBeFollowedDirectlyByWhere();
    void theMaxQueryGivesTheNewRowsNumberAndNumbersAreNeverReused_data() { engines(); }
    void theMaxQueryGivesTheNewRowsNumberAndNumbersAreNeverReused();
    void doubledQuotesAreTheOnlyEscaping_data();
    void doubledQuotesAreTheOnlyEscaping();
    void resultSetsStayOpenWhileOtherStatementsRun_data() { engines(); }
    void resultSetsStayOpenWhileOtherStatementsRun();
    void fieldsAreReadByNameInAnyCaseAndByPosition_data() { engines(); }
    void fieldsAreReadByNameInAnyCaseAndByPosition();
    void aClosedConnectionRefusesStatementsAndClosesItsResultSets_data() { engines(); }
    void aClosedConnectionRefusesStatementsAndClosesItsResultSets();
    void theTraceHookSeesEveryStatementBeforeItRuns();
    void aWrongPathIsReportedAndNoFileIsCreated();
    void aLockedDatabaseIsWaitedForBeforeReporting();
    void sqliteFailuresAreReportedInItsOwnWords_data();
    void sqliteFailuresAreReportedInItsOwnWords();
    void aKeptRowOutlivesItsStatementAndItsLock();

private:
    static void engines();
    Engine engine() const;

    std::unique_ptr<TestDatabase> m_table;
};

void TestStatements::engines()
{
    QTest::addColumn<int>("engine");
    for (const Engine engine : TestDatabase::engines())
        QTest::newRow(TestDatabase::tag(engine)) << int(engine);
}

// A row's tag starts with its engine's name.
Engine TestStatements::engine() const
{
    const QByteArrayView row = QTest::currentDataTag() ? QTest::currentDataTag() : "";
    for (const Engine engine : TestDatabase::engines())
        if (row.startsWith(TestDatabase::tag(engine)))
            return engine;
    return Engine::SQLite;
}

void TestStatements::init()
{
    const QString why = TestDatabase::unavailable(engine());
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    m_table = std::make_unique<TestDatabase>(engine());
}

void TestStatements::cleanup()
{
    Connection::setTraceHook({});
    m_table.reset();
}

void TestStatements::mixedCaseStatementsRunAsWritten()
{
    Connection &db = m_table->db();
    db.execute(accountInsert(QStringLiteral("0"), QStringLiteral("Mail")));
    const QString key = db.execute(QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"))->text(0);

    auto row = db.execute(QStringLiteral("select * from ACCOUNT where ACCOUNT_no= ") + key);
    QVERIFY(!row->isEOF());
    QCOMPARE(row->text(QStringLiteral("KIND")), QStringLiteral("A"));
    QCOMPARE(row->text(QStringLiteral("P_ACCOUNT_NO")), QStringLiteral("0"));
    QCOMPARE(row->text(QStringLiteral("SMTP_PORT")), QStringLiteral("25"));
    QCOMPARE(row->text(QStringLiteral("HTML_SIG")), QString());

    db.execute(QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ") + key);
    QCOMPARE(m_table->rowCount(), 0);
}

void TestStatements::aClosingQuoteMayBeFollowedDirectlyByWhere()
{
    Connection &db = m_table->db();
    const QString other = m_table->addAccount(QStringLiteral("0"), QStringLiteral("Other"));
    db.execute(accountInsert(QStringLiteral("0"), QStringLiteral("Mail")));
    const QString key = m_table->value(QStringLiteral("select max(ACCOUNT_no) from ACCOUNT"));

    db.execute(
        QStringLiteral("UPDATE ACCOUNT SET NAME='Renamed', SENDER = 'Bob', MAIL_ADDRESS = 'bob', "
                       "SMTP_HOST = 's', SMTP_PORT = '587', POP_HOST = 'p', POP_PORT = '995', "
                       "USERID = 'u', PSWD = 'pw', TEXT_SIG = 'sig', OFFICE_NAME = 'o', "
                       "OFFICE_SECTION = 'os', TEL_NUMBER = 't', FAX_NUMBER = 'f', "
                       "ADDRESS1 = 'a1', ADDRESS2 = 'a2', HANDY = 'h'where ACCOUNT_NO= ")
        + key);

    const auto rows
        = m_table->rows(QStringLiteral("select NAME, SMTP_PORT, HANDY, HTML_SIG, P_ACCOUNT_NO "
                                       "from ACCOUNT where ACCOUNT_NO = ")
            + key);
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows.front(), (QStringList {"Renamed", "587", "h", "", "0"}));
    QCOMPARE(m_table->value(QStringLiteral("select NAME from ACCOUNT where ACCOUNT_NO = ") + other),
        QStringLiteral("Other"));
}

void TestStatements::theMaxQueryGivesTheNewRowsNumberAndNumbersAreNeverReused()
{
    Connection &db = m_table->db();
    QStringList keys;
    for (int i = 0; i < 3; ++i) {
        db.execute(accountInsert(QStringLiteral("0"), QStringLiteral("A%1").arg(i)));
        keys << db.execute(QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"))->text(0);
    }
    QVERIFY(keys[0].toInt() < keys[1].toInt() && keys[1].toInt() < keys[2].toInt());
    for (const QString &key : keys)
        QCOMPARE(QString::number(key.toLongLong()), key); // plain decimal text

    db.execute(QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ") + keys[2]);
    db.execute(accountInsert(QStringLiteral("0"), QStringLiteral("after delete")));
    const QString next = db.execute(QStringLiteral("select max(ACCOUNT_no) from ACCOUNT"))->text(0);
    QVERIFY2(next.toInt() > keys[2].toInt(), qPrintable(next));
    QCOMPARE(m_table->value(QStringLiteral("select NAME from ACCOUNT where ACCOUNT_NO = ") + next),
        QStringLiteral("after delete"));
}

void TestStatements::doubledQuotesAreTheOnlyEscaping_data()
{
    QTest::addColumn<int>("engine");
    QTest::addColumn<QString>("stored");
    for (const Engine engine : TestDatabase::engines()) {
        const char *tag = TestDatabase::tag(engine);
        QTest::addRow("%s: quote", tag) << int(engine) << "O'Neill";
        QTest::addRow("%s: backslash before quote", tag) << int(engine) << "a\\'b";
        QTest::addRow("%s: trailing backslash", tag) << int(engine) << "C:\\mail\\";
        QTest::addRow("%s: japanese and emoji", tag) << int(engine) << "営業部 📧";
    }
}

void TestStatements::doubledQuotesAreTheOnlyEscaping()
{
    QFETCH(QString, stored);
    QString doubled = stored;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    m_table->db().execute(accountInsert(QStringLiteral("0"), doubled));
    QCOMPARE(m_table->value(QStringLiteral("select NAME from ACCOUNT")), stored);
}

void TestStatements::resultSetsStayOpenWhileOtherStatementsRun()
{
    Connection &db = m_table->db();
    QStringList top;
    for (int i = 0; i < 4; ++i)
        top << m_table->addFolder(QStringLiteral("0"), QStringLiteral("F%1").arg(i));
    const QString child = m_table->addAccount(top[0], QStringLiteral("inner"));
    m_table->addAccount(top[0], QStringLiteral("inner2"));

    auto outer = db.execute(
        QStringLiteral("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = 0 ORDER BY ACCOUNT_NO"));
    QCOMPARE(outer->text(QStringLiteral("ACCOUNT_NO")), top[0]);
    outer->moveNext();
    auto inner = db.execute(QStringLiteral("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = ") + top[0]
        + QStringLiteral(" ORDER BY ACCOUNT_NO"));
    QCOMPARE(inner->text(QStringLiteral("ACCOUNT_NO")), child);

    db.execute(QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ") + child);
    db.execute(QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ") + top[3]);

    QCOMPARE(inner->text(QStringLiteral("NAME")), QStringLiteral("inner"));
    inner->moveNext();
    QCOMPARE(inner->text(QStringLiteral("NAME")), QStringLiteral("inner2"));
    QStringList rest;
    for (; !outer->isEOF(); outer->moveNext())
        rest << outer->text(QStringLiteral("ACCOUNT_NO"));
    QVERIFY2(rest.mid(0, 2) == top.mid(1, 2), qPrintable(rest.join(',')));
    QCOMPARE(m_table->rowCount(), 4);
}

void TestStatements::fieldsAreReadByNameInAnyCaseAndByPosition()
{
    const QString folder = m_table->addFolder(QStringLiteral("0"), QStringLiteral("名前 'x'"));
    m_table->db().execute(QStringLiteral("UPDATE ACCOUNT SET TEXT_SIG = ''"));
    auto rs = m_table->db().execute(
        QStringLiteral("select * from ACCOUNT where ACCOUNT_no= ") + folder);
    QCOMPARE(rs->text(QStringLiteral("name")), QStringLiteral("名前 'x'"));
    QCOMPARE(rs->text(QStringLiteral("Kind")), QStringLiteral("F"));
    QCOMPARE(rs->text(0), folder);
    QCOMPARE(rs->value(QStringLiteral("P_ACCOUNT_NO")).toInt(), 0);
    QCOMPARE(rs->text(QStringLiteral("P_ACCOUNT_NO")), QStringLiteral("0"));
    QVERIFY(rs->isNull(QStringLiteral("PSWD")));
    QCOMPARE(rs->text(QStringLiteral("PSWD")), QString());
    QVERIFY(!rs->isNull(QStringLiteral("TEXT_SIG")));
    QCOMPARE(rs->text(QStringLiteral("TEXT_SIG")), QString(""));
    QCOMPARE(
        m_table->db().execute(QStringLiteral("SELECT 2.5 + 7 FROM ACCOUNT"))->value(0).toDouble(),
        9.5);
    QVERIFY_THROWS_EXCEPTION(DbError, rs->value(QStringLiteral("NO_SUCH_COLUMN")));
    QVERIFY_THROWS_EXCEPTION(DbError, rs->value(99));
    rs->moveNext();
    QVERIFY(rs->isEOF());
    QVERIFY_THROWS_EXCEPTION(DbError, rs->value(0));
    QVERIFY_THROWS_EXCEPTION(DbError, rs->moveNext());

    auto keys = m_table->db().execute(QStringLiteral("SELECT * FROM ACCOUNT ORDER BY ACCOUNT_NO"));
    QCOMPARE(keysOf(*keys), folder);
}

void TestStatements::aClosedConnectionRefusesStatementsAndClosesItsResultSets()
{
    Connection never;
    never.close(); // never opened: harmless
    never.close();
    QVERIFY(!never.isOpen());
    QVERIFY_THROWS_EXCEPTION(DbError, never.execute(QStringLiteral("select 1")));

    Connection db;
    db.setConnectionString(m_table->connectionString());
    db.open();
    QVERIFY_THROWS_EXCEPTION(DbError, db.open());
    m_table->addFolder(QStringLiteral("0"), QStringLiteral("F"));
    auto rs = db.execute(QStringLiteral("select * from ACCOUNT"));
    QVERIFY(rs->isOpen());
    db.close();
    QVERIFY(!rs->isOpen());
    QVERIFY_THROWS_EXCEPTION(DbError, rs->isEOF());
    QVERIFY_THROWS_EXCEPTION(DbError, db.execute(QStringLiteral("select * from ACCOUNT")));

    db.open(); // the same object opens again, as every load of the window does
    QCOMPARE(db.execute(QStringLiteral("select NAME from ACCOUNT"))->text(0), QStringLiteral("F"));
}

void TestStatements::theTraceHookSeesEveryStatementBeforeItRuns()
{
    QStringList seen;
    Connection::setTraceHook([&seen](const QString &statement) { seen << statement; });
    Connection &db = m_table->db();
    const QStringList statements = {QStringLiteral("select * from ACCOUNT where ACCOUNT_no= 1"),
        QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= 1"),
        QStringLiteral("select * from NO_SUCH_TABLE")};
    for (const QString &statement : statements) {
        try {
            db.execute(statement);
        } catch (const DbError &) {
        }
    }
    QCOMPARE(seen, statements);
}

void TestStatements::aWrongPathIsReportedAndNoFileIsCreated()
{
    const QString missing
        = QFileInfo(m_table->path()).absolutePath() + QStringLiteral("/missing.db");
    Connection db;
    db.setConnectionString(missing);
    try {
        db.open();
        QFAIL("a missing file was opened");
    } catch (const DbError &error) {
        QVERIFY2(error.description().contains(QStringLiteral("unable to open database file")),
            qPrintable(error.description()));
    }
    QVERIFY(!QFile::exists(missing));
    QVERIFY(!db.isOpen());
}

// Another program holds the write lock for a moment: the statement waits for
// it instead of failing at once with "database is locked".
void TestStatements::aLockedDatabaseIsWaitedForBeforeReporting()
{
    const QString path = m_table->path();
    std::atomic<bool> locked {false};
    QThread *holder = QThread::create([path, &locked] {
        {
            QSqlDatabase other
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery query(other);
            QVERIFY(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
            QVERIFY(query.exec(QStringLiteral(
                "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','held')")));
            locked = true;
            QThread::msleep(400);
            QVERIFY(query.exec(QStringLiteral("COMMIT")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    });
    holder->start();
    QTRY_VERIFY(locked.load());
    m_table->db().execute(
        QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','mine')"));
    holder->wait();
    delete holder;
    QCOMPARE(m_table->rowCount(), 2);
}

void TestStatements::sqliteFailuresAreReportedInItsOwnWords_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("description");
    QTest::newRow("no table") << "select * from NO_SUCH_TABLE"
                              << "no such table: NO_SUCH_TABLE";
    QTest::newRow("syntax") << "select * form ACCOUNT"
                            << "near \"form\": syntax error";
    QTest::newRow("constraint") << "INSERT INTO ACCOUNT(P_ACCOUNT_NO,NAME) VALUES(0,'x')"
                                << "NOT NULL constraint failed: ACCOUNT.KIND";
    QTest::newRow("two statements")
        << "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','x'); DELETE FROM ACCOUNT"
        << "Unable to execute multiple statements at a time";
}

// Nothing of a refused text runs, not even its first statement.
void TestStatements::sqliteFailuresAreReportedInItsOwnWords()
{
    QFETCH(QString, statement);
    QFETCH(QString, description);
    m_table->addFolder(QStringLiteral("0"), QStringLiteral("Kept"));
    const QStringList before = m_table->snapshot();
    try {
        m_table->db().execute(statement);
        QFAIL("the statement ran");
    } catch (const DbError &error) {
        QCOMPARE(error.description(), description);
    }
    QCOMPARE(m_table->snapshot(), before);
}

// A row taken out of its result set keeps its values while another program
// writes the table; an open statement would hold the read lock instead.
void TestStatements::aKeptRowOutlivesItsStatementAndItsLock()
{
    const QString folder = m_table->addFolder(QStringLiteral("0"), QStringLiteral("Before"));
    m_table->addFolder(QStringLiteral("0"), QStringLiteral("Second"));
    auto rs = m_table->db().execute(QStringLiteral("SELECT * FROM ACCOUNT ORDER BY ACCOUNT_NO"));
    const auto write = [&] {
        return m_table->writeWithoutWaiting(QStringLiteral("UPDATE ACCOUNT SET NAME = 'After'"))
            .isEmpty();
    };
    QVERIFY(!write()); // the open statement holds the lock
    rs->keepCurrentRowOnly();
    QVERIFY(write());
    QCOMPARE(rs->text(QStringLiteral("name")), QStringLiteral("Before"));
    QCOMPARE(rs->text(0), folder);
    QVERIFY_THROWS_EXCEPTION(DbError, rs->value(QStringLiteral("NO_SUCH_COLUMN")));
    rs->moveNext();
    QVERIFY(rs->isEOF());
    QCOMPARE(
        m_table->value(QStringLiteral("SELECT NAME FROM ACCOUNT WHERE ACCOUNT_NO = ") + folder),
        QStringLiteral("After"));
}

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
