#include "support/TestDatabase.h"

#include "store/Connection.h"
#include "store/SqlLog.h"

#include <QLoggingCategory>
#include <QTest>

namespace {

const QString columns
    = "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,"
      "SMTP_PORT,POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,"
      "OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '7', "
      "'A', 'O''Mail','Ann','ann@x','smtp','25','pop','110','ann',";
const QString afterPassword = ",'Best,\nAnn',' ' ,'Co','S''ec','1','2','A1','A2','3')";

// The editor's account insert and update with a stored password text.
QString insertWith(const QString &password)
{
    return columns + password + afterPassword;
}

QString updateWith(const QString &password)
{
    return "UPDATE ACCOUNT SET NAME='O''Mail', USERID = 'ann', PSWD = " + password
        + ", TEXT_SIG = 'Best,\nAnn', HANDY = '3'''where ACCOUNT_NO= 7";
}

QStringList logged;

void keepSqlLines(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (QByteArrayView(context.category) == "tx_account.sql")
        logged << text;
}

} // namespace

class TestSqlLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theLogShowsEveryStatementWithItsPasswordMasked_data();
    void theLogShowsEveryStatementWithItsPasswordMasked();
    void theStatementRunAndTheTraceHookKeepThePassword();
};

void TestSqlLog::theLogShowsEveryStatementWithItsPasswordMasked_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("shown");

    const QString mask = "'********'";
    const QStringList passwords = {"'s3cret'", "''", "'p''w'", "'x'', PSWD = ''y'",
        "'a'''',''''b) VALUES(''c'", "'パス,ワード'"};
    for (const QString &password : passwords) {
        QTest::newRow(qPrintable("insert " + password)) << insertWith(password) << insertWith(mask);
        QTest::newRow(qPrintable("update " + password)) << updateWith(password) << updateWith(mask);
    }
    QTest::newRow("columns in any case, rows of several")
        << "insert into account(name,pswd) values('a','s1'), ('b', 's2')"
        << "insert into account(name,pswd) values('a','********'), ('b', '********')";
    QTest::newRow("assignment in any case")
        << "update account set pswd='s' where account_no=1"
        << "update account set pswd='********' where account_no=1";

    const QStringList unchanged
        = {"SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = 0 ORDER BY ACCOUNT_NO",
            "UPDATE ACCOUNT SET NAME='PSWD = ''x''' where ACCOUNT_NO= 3",
            "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( 3 ,'F','PSWD')",
            "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( 3 ,'F','unterminated",
            "UPDATE ACCOUNT SET P_ACCOUNT_NO = 3 WHERE ACCOUNT_NO = 12"};
    for (const QString &statement : unchanged)
        QTest::newRow(qPrintable("no password: " + statement)) << statement << statement;
}

void TestSqlLog::theLogShowsEveryStatementWithItsPasswordMasked()
{
    QFETCH(QString, statement);
    QTEST(withoutPasswords(statement), "shown");
}

void TestSqlLog::theStatementRunAndTheTraceHookKeepThePassword()
{
    TestDatabase table;
    QStringList traced;
    Connection::setTraceHook([&traced](const QString &statement) { traced << statement; });
    QLoggingCategory::setFilterRules("tx_account.sql=true");
    const QtMessageHandler previous = qInstallMessageHandler(keepSqlLines);
    table.db().execute(insertWith("'s3cret'"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    Connection::setTraceHook({});

    QCOMPARE(traced, QStringList {insertWith("'s3cret'")});
    QCOMPARE(logged, QStringList {insertWith("'********'")});
    QCOMPARE(table.value("SELECT PSWD FROM ACCOUNT WHERE NAME = 'O''Mail'"), "s3cret");
}

QTEST_MAIN(TestSqlLog)
#include "tst_sqllog.moc"
