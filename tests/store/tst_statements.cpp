#include "support/Engines.h"

#include "store/AccountStatements.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/SqlLog.h"
#include "store/StoredRows.h"
#include "store/StoredValue.h"
#include "store/Template.h"

#include <QDir>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTest>

namespace {

QStringList logged;

void keepSqlLines(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (QByteArrayView(context.category) == "tx_account.sql")
        logged << text;
}

} // namespace

class TestStatements : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachConnectionStringNamesItsEngineAndDatabaseOrWhatIsWrong_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named"); // driver|database|host|port|user|options, or a reason
        QTest::addColumn<QString>("password");
        const auto row = [](const char *text, const QString &named, const char *password = "") {
            QTest::newRow(qPrintable(QString(text).replace("Hunter2pw", "***")))
                << text << named << password;
        };
        row("Provider=PostgreSQL;Server=db;Port=5433;Database=mail;User ID=ann;Password=Hunter2pw",
            "QPSQL|mail|db|5433|ann|", "Hunter2pw");
        row("provider=postgres; DATABASE = mail ;uid=ann;PWD=s;HOST=/run/pg",
            "QPSQL|mail|/run/pg|-1|ann|", "s");
        row("Provider=PostgreSQL;Database=\"m;a\"\"il\";Password={x;}}y}", "QPSQL|m;a\"il||-1||",
            "x;}y");
        row("Provider=MariaDB;Server=/run/my.sock;Database=mail;UID=root",
            "QMYSQL|mail||-1|root|UNIX_SOCKET=/run/my.sock");
        // QtSql's ODBC driver puts "DSN=" before a string that names no driver.
        row("Provider=ODBC;UID=ann;DSN=mail;PWD={se;}}cret};Opt={x}",
            "QODBC|mail;UID=ann;PWD={se;}}cret};Opt=x||-1||");
        row("Provider=ODBC;DSN=mail;Driver={SQLite3};Database=a.db",
            "QODBC|DSN=mail;Driver=SQLite3;Database=a.db||-1||");
        row("postgresql://ann:p%40ss@db:5433/mail", "QPSQL|mail|db|5433|ann|", "p@ss");
        // An SQLite file is opened read-write and never created.
        const QString sqlite = "||-1||QSQLITE_OPEN_URI";
        row("a.db", "QSQLITE|file://" + QDir::currentPath() + "/a.db?mode=rw" + sqlite);
        row("file:///a.db?mode=rwc&cache=shared",
            "QSQLITE|file:///a.db?cache=shared&mode=rw" + sqlite);
        row("file:///a.db?mode=ro", "QSQLITE|file:///a.db?mode=ro" + sqlite);
        row("Data Source=\"/x;y.db\"", "QSQLITE|file:///x;y.db?mode=rw" + sqlite);
        // What is wrong is named, never with the password.
        row("   ", "empty");
        row("Provider=PostgreSQL;Database=x;Password={Hunter2pw", "no closing }");
        row("Provider=Jet;Password=Hunter2pw;Data Source=x", "unknown provider \"Jet\"");
        row("Provider=PostgreSQL;PWD=Hunter2pw;Database=x;Colour=red", "unknown key \"Colour\"");
        row("Provider=PostgreSQL;Database=mail;Port=http", "port \"http\"");
        row("postgresql://ann:Hunter2pw@db;=x/mail", "not valid");
    }

    void eachConnectionStringNamesItsEngineAndDatabaseOrWhatIsWrong()
    {
        QFETCH(QString, text);
        QFETCH(QString, named);
        QFETCH(QString, password);
        try {
            const ConnectionSettings s = parseConnectionString(text);
            QCOMPARE(QStringList({s.driver, s.databaseName, s.hostName, QString::number(s.port),
                                     s.userName, s.connectOptions})
                         .join('|'),
                named);
            QVERIFY2(s.password == password, "another password"); // QCOMPARE would print it
        } catch (const DbError &error) {
            const QString why = error.description();
            QVERIFY2(why.contains(named) && !why.contains("Hunter2pw"), qPrintable(why));
        }
    }

    // The longest marker wins, case matters, and a value is copied as it stands.
    void markersAreReplacedOnlyInTheTemplate()
    {
        const TemplateMarkers markers = {{"%1", "%key"}, {"%10", "b"}, {"$x", "q"}, {"%key", "%1"}};
        QCOMPARE(fillTemplate("%1 %10 $x%KEY %key", markers), "%key b q%KEY %1");
    }

    void theLogShowsEveryPasswordMasked_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("shown");
        const QString insert = "INSERT INTO ACCOUNT(NAME,PSWD,HANDY)  VALUES( 'O''M',%1,' ' ,'3')";
        const QString update
            = "UPDATE ACCOUNT SET NAME='O''M', PSWD = %1, HANDY = '3'''where ACCOUNT_NO= 7";
        for (const char *password :
            {"'s3cret'", "'x'', PSWD = ''y'", "'a'''',''''b) VALUES(''c'", "X'00ff'"})
            for (const QString &statement : {insert, update})
                QTest::addRow("%s", qPrintable(statement.arg(password)))
                    << statement.arg(password) << statement.arg("'********'");
        QTest::newRow("several rows, any case")
            << "insert into account(name,pswd) values('a','s1'), ('b', 's2')"
            << "insert into account(name,pswd) values('a','********'), ('b', '********')";
        for (const char *statement : {"UPDATE ACCOUNT SET NAME='PSWD = ''x''' where ACCOUNT_NO= 3",
                 "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( 3 ,'F','PSWD')"})
            QTest::addRow("%s", statement) << statement << statement;
    }

    void theLogShowsEveryPasswordMasked()
    {
        QFETCH(QString, statement);
        QTEST(withoutPasswords(statement), "shown");
    }

    // Every statement is logged before it runs, a failing one too, with its
    // password hidden. SQLite's failures come in its own words, and nothing of a
    // text it refuses runs.
    void everyStatementIsLoggedAndRunsAlone()
    {
        TestDatabase table;
        const QStringList statements = {
            "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,PSWD) VALUES(0,'A','Mail','s3cret')",
            "select * from NO_SUCH_TABLE",
            "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(0,'F','x'); DELETE FROM ACCOUNT"};
        QStringList failures;
        QLoggingCategory::setFilterRules("tx_account.sql=true");
        const QtMessageHandler previous = qInstallMessageHandler(keepSqlLines);
        for (const QString &statement : statements) {
            try {
                table.db().execute(statement);
            } catch (const DbError &error) {
                failures << error.description();
            }
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        QCOMPARE(logged, QStringList(statements).replaceInStrings("'s3cret'", "'********'"));
        QCOMPARE(failures,
            QStringList({"no such table: NO_SUCH_TABLE",
                "Unable to execute multiple statements at a time"}));
        QCOMPARE(table.rows("select KIND, PSWD from ACCOUNT"),
            (std::vector {QStringList {"A", "s3cret"}}));
        // Long enough for the mail client to finish a write it holds the file for.
        QVERIFY(table.value("PRAGMA busy_timeout").toInt() >= 1000);
    }

    void valuesAndKeysComeBackAsStored_data() { Engines::engineRows(); }

    void valuesAndKeysComeBackAsStored()
    {
        QFETCH(int, engine);
        const auto table = Engines::tableOn(Engines::Engine(engine));
        if (!table)
            QSKIP(Engines::noServer);
        // Doubled quotes are the only escaping; a backslash is a character like any other.
        const QString name = "O'Neill a\\'b 営業部 📧 C:\\mail\\";
        const QString first = table->addRow("0", "A", name);
        const QString second = table->addRow("0", "A", "Second");
        QCOMPARE(table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + first), name);
        QVERIFY(first.toLongLong() < second.toLongLong());
        // The number of a deleted newest row is never handed out again.
        table->db().execute("Delete from ACCOUNT where ACCOUNT_no= " + second);
        QVERIFY(table->addRow("0", "A", "Third").toLongLong() > second.toLongLong());
    }

    void boundValuesGoInAndComeBackByteForByte_data() { Engines::engineRows(); }

    // NULL stays NULL and empty stays empty; SQLite also keeps bytes, and
    // text whose bytes are not UTF-8, as they were given.
    void boundValuesGoInAndComeBackByteForByte()
    {
        QFETCH(int, engine);
        const auto table = Engines::tableOn(Engines::Engine(engine));
        if (!table)
            QSKIP(Engines::noServer);
        const bool sqlite = table->path().size() > 0;
        QVariantList values = {qint64(4294967296), QVariant(QMetaType::fromType<QString>()),
            QString(""), QString("O'Neill ? %1 \\' 営業 📧\r\n").repeated(30000)};
        if (sqlite)
            values << QByteArray("\0\xff\x01", 3) << QVariant::fromValue(RawText {"a\xff\xfe"});
        const QStringList columns
            = QStringList {"ACCOUNT_NO", "NAME", "SENDER", "PSWD", "HANDY", "TEXT_SIG"}.mid(
                0, values.size());
        QStringList traced;
        Connection::setTraceHook([&](const QString &text) { traced << text; });
        const auto untrace = qScopeGuard([] { Connection::setTraceHook({}); });
        table->db().inTransaction([&] {
            table->db().execute(BoundStatement {"INSERT INTO ACCOUNT(" + columns.join(',')
                    + ",P_ACCOUNT_NO,KIND) VALUES(" + QStringList(values.size(), "?").join(',')
                    + ",0,'A')",
                values});
        });
        QVERIFY_THROWS_EXCEPTION(DbError, table->db().inTransaction([&] {
            table->db().execute(BoundStatement {"DELETE FROM ACCOUNT", {}});
            table->db().execute("select * from NO_SUCH_TABLE");
        }));
        QCOMPARE(traced.first(), sqlite ? "BEGIN IMMEDIATE" : "BEGIN");
        QVERIFY(traced.at(1).startsWith("INSERT INTO ACCOUNT(ACCOUNT_NO,NAME,SENDER,PSWD"));
        QVERIFY(traced.at(1).contains("VALUES(4294967296,NULL,'','O''Neill ? %1"));
        QCOMPARE(traced.at(2), "COMMIT");
        QCOMPARE(traced.last(), "ROLLBACK");
        const auto row = table->db().execute("select " + columns.join(',') + " from ACCOUNT");
        for (int i = 0; i < int(values.size()); ++i)
            QVERIFY2(row->storedValue(i) == values.at(i)
                    && row->storedValue(i).isNull() == values.at(i).isNull(),
                qPrintable(columns.at(i)));
    }

    void aNumberedStatementReadsWhatItsTextReads_data() { Engines::engineRows(); }

    // The load's statement, run bound or as its text: the same rows, the same
    // values (numbers as numbers, texts as texts), NULL, empty and long texts
    // as stored. A statement that fails says why, and runs again once it can.
    void aNumberedStatementReadsWhatItsTextReads()
    {
        QFETCH(int, engine);
        const auto table = Engines::tableOn(Engines::Engine(engine));
        if (!table)
            QSKIP(Engines::noServer);
        const QString longName = QString("営業 📧 ").repeated(20000);
        table->insertRows({"5,3,'F','" + longName + "'", "4,3,'A',''", "6,3,'A','x'"});
        table->db().execute(
            "UPDATE ACCOUNT SET SENDER = 'y', PSWD = '" + longName + "' WHERE ACCOUNT_NO = 6");
        const Statement bound = AccountStatements::children(3);
        for (int pass = 0; pass < 2; ++pass) {
            const auto byNumber = table->db().execute(bound);
            const auto byText = table->db().execute(bound.text());
            QCOMPARE(byNumber->fieldCount(), byText->fieldCount());
            int rows = 0;
            for (; !byText->isEOF(); byText->moveNext(), byNumber->moveNext(), ++rows) {
                for (int i = 0; i < byText->fieldCount(); ++i) {
                    const QVariant expected = byText->value(i);
                    const QVariant read = byNumber->value(i);
                    QVERIFY2(read == expected && read.isNull() == expected.isNull(),
                        qPrintable(QStringLiteral("%1 %2").arg(rows).arg(byText->fieldName(i))));
                }
                QCOMPARE(byNumber->text("name"), byText->text("NAME"));
            }
            QVERIFY(byNumber->isEOF());
            QCOMPARE(rows, 3);
        }
        table->db().execute("DROP TABLE ACCOUNT");
        try {
            table->db().execute(bound);
            QFAIL("ran without its table");
        } catch (const DbError &error) {
            QVERIFY2(error.description().contains("account", Qt::CaseInsensitive),
                qPrintable(error.description()));
        }
        createAccountSchema(table->db());
        QVERIFY(table->db().execute(bound)->isEOF());
        table->insertRows({"7,0,'A','x'"});
        table->db().execute(AccountStatements::deleteRow("7"));
        QCOMPARE(table->db().rowsAffected(), 1);
    }

    void aSubtreeReadWholeGoesBackAsItWas_data() { Engines::engineRows(); }

    // Every row beneath the folder, each after its parent, however the keys
    // run; a row that names its own descendant as parent is read once.
    void aSubtreeReadWholeGoesBackAsItWas()
    {
        QFETCH(int, engine);
        const auto table = Engines::tableOn(Engines::Engine(engine));
        if (!table)
            QSKIP(Engines::noServer);
        table->insertRows({"9,0,'F','top'", "3,9,'F','sub'", "12,3,'A','deep'", "5,9,'A','mail'",
            "7,0,'A','outside'", "20,21,'F','loop'", "21,20,'F','loop'"});
        table->db().execute("UPDATE ACCOUNT SET PSWD = NULL, HANDY = '' WHERE ACCOUNT_NO = 12");
        const auto before = table->rows("select * from ACCOUNT order by ACCOUNT_NO");
        const std::vector<StoredRow> rows = readSubtree(table->db(), "9");
        QStringList keys;
        for (const StoredRow &row : rows)
            keys << row.value("account_no").toString();
        QCOMPARE(keys, QStringList({"9", "3", "5", "12"}));
        QCOMPARE(readSubtree(table->db(), "20").size(), 2);
        table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO <> 7 AND ACCOUNT_NO < 20");
        for (const StoredRow &row : rows)
            table->db().execute(insertStatement(row));
        QCOMPARE(table->rows("select * from ACCOUNT order by ACCOUNT_NO"), before);
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
