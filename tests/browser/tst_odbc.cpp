// The ways into the account list that a connection string offers, most of
// them through an ODBC driver, and what a person sees when a way is closed.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSTree.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace DialogTest;

class TestOdbc : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    QString m_role;
    QString m_driverString; // the private server's database, by driver and socket

private Q_SLOTS:
    void init()
    {
        m_table = tableOn(Engine::OdbcPostgreSQL);
        if (!m_table)
            QSKIP(noServer);
        m_record = std::make_unique<Recording>();
        m_role = QStringLiteral("tx_ann_%1").arg(QCoreApplication::applicationPid());
        TestDatabase::onServer(
            Engine::PostgreSQL, "CREATE ROLE " + m_role + " LOGIN PASSWORD 'se;cr}et'");
        m_table->db().execute("GRANT SELECT ON ACCOUNT TO " + m_role);
        const QString socket = QRegularExpression("Host=([^;]+)")
                                   .match(qEnvironmentVariable("TX_TEST_PG"))
                                   .captured(1);
        const QString database = QRegularExpression("Database=([^;]+)$")
                                     .match(m_table->connectionString())
                                     .captured(1);
        m_driverString = "Provider=ODBC;Driver={PostgreSQL Unicode};Servername=" + socket
            + ";Database=" + database + ";UID=" + m_role;
    }
    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        if (!m_role.isEmpty())
            TestDatabase::onServer(Engine::PostgreSQL, "DROP ROLE IF EXISTS " + m_role);
        m_role.clear();
    }

    // A driver string with keys of its own and a password that needs braces
    // opens as a data source does; a closed way gives one plain box and the
    // root alone, and never shows the password.
    void eachWayInOpensOrSaysWhyNot_data()
    {
        QTest::addColumn<QString>("connStr");
        QTest::addColumn<QString>("message"); // what the one box says after the usual start
        QTest::newRow("a data source") << QString() << QString();
        QTest::newRow("a driver string, braced password") << "PWD={se;cr}}et}" << QString();
        QTest::newRow("a wrong password") << "PWD={se;cr}}et!}"
                                          << "password authentication failed for user";
        QTest::newRow("a driver that is not installed")
            << "Provider=ODBC;Driver={No Such Driver};Database=x"
            << "[unixODBC][Driver Manager]Can't open lib 'No Such Driver' : file not found";
        QTest::newRow("a data source that does not exist")
            << "Provider=ODBC;DSN=tx_no_such_source"
            << "[unixODBC][Driver Manager]Data source name not found";
        QTest::newRow("a file that is not there") << "/nonexistent/accounts.db"
                                                  << "unable to open database file";
    }

    void eachWayInOpensOrSaysWhyNot()
    {
        QFETCH(QString, connStr);
        QFETCH(QString, message);
        m_table->addRow("0", "F", "Folder");
        if (connStr.isEmpty())
            connStr = m_table->connectionString();
        else if (connStr.startsWith("PWD="))
            connStr = m_driverString + ";" + connStr;
        QVERIFY(inAccountList(connStr, [&](AccountBrowse &window) {
            QCOMPARE(window.SSTree1()->nodeCount(), message.isEmpty() ? 2 : 1);
            QCOMPARE(enabledButtons(window), QStringList {"close"});
        }));
        QCOMPARE(m_record->asked.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty())
            return;
        const MessageBox::Request &asked = m_record->asked.front();
        QVERIFY2(asked.text.startsWith("Operation is not allowed when the connection is closed: ")
                && asked.text.contains(message) && !asked.text.contains("cr}"),
            qPrintable(asked.text));
        QCOMPARE(asked.icon, MessageBox::Icon::None);
    }
};

QTEST_MAIN(TestOdbc)
#include "tst_odbc.moc"
