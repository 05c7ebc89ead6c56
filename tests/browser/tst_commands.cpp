// The toolbar's commands as a person clicks them, with the table checked
// after each.

#include "support/AccountListDriver.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QTest>
#include <QToolBar>

namespace {

const QString confirmation = QStringLiteral("削除してもよろしいですか。");

QStringList snapshot(TestDatabase &table)
{
    QStringList lines;
    for (const QStringList &row : table.rows(QStringLiteral(
             "select ACCOUNT_NO, P_ACCOUNT_NO, KIND, NAME from ACCOUNT order by ACCOUNT_NO")))
        lines << row.join(QLatin1Char(' '));
    return lines;
}

void clickButton(AccountBrowse &window, const QString &key)
{
    QAction *action = window.button(key);
    QVERIFY2(action->isEnabled(), qPrintable(key));
    auto *toolbar = window.SSTree1()->window()->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
    QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
}

QStringList enabledButtons(AccountBrowse &window)
{
    QStringList keys;
    for (const char *key : {"addf", "updatef", "delf", "add", "update", "copy", "del", "close"})
        if (window.button(QString::fromLatin1(key))->isEnabled())
            keys << QString::fromLatin1(key);
    return keys;
}

void insertRow(TestDatabase &table, int key, int parent, const char *kind, const QString &name)
{
    table.db().execute(QStringLiteral("INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(%1,%2,'%3','%4')")
                           .arg(key)
                           .arg(parent)
                           .arg(QLatin1String(kind), name));
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void deletingAFolderRemovesItsWholeSubtreeDeepestFirst();
    void deletingAnAccountRemovesOneNodeAndOneRow();
    void cancellingTheConfirmationChangesNothing_data();
    void cancellingTheConfirmationChangesNothing();
    void aDeleteFailingHalfwayIsReportedAndTheWindowStaysUsable();
    void aSubtreeAHundredThousandLevelsDeepIsDeletedWhole();

private:
    void withWindow(TestDatabase &table, const std::function<void(AccountBrowse &)> &action);

    MessageBox::Answer m_answer = MessageBox::Answer::Ok;
    QList<MessageBox::Request> m_asked;
    QStringList m_statements;
};

void TestCommands::init()
{
    m_answer = MessageBox::Answer::Ok;
    m_asked.clear();
    m_statements.clear();
    MessageBox::setAnswerer([this](const MessageBox::Request &request) {
        m_asked << request;
        return m_answer;
    });
}

void TestCommands::cleanup()
{
    MessageBox::setAnswerer({});
    Connection::setTraceHook({});
}

void TestCommands::withWindow(TestDatabase &table, const std::function<void(AccountBrowse &)> &action)
{
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        Connection::setTraceHook([this](const QString &statement) { m_statements << statement; });
        action(window);
        Connection::setTraceHook({});
    }));
}

void TestCommands::deletingAFolderRemovesItsWholeSubtreeDeepestFirst()
{
    TestDatabase table;
    insertRow(table, 5, 0, "F", "five");
    insertRow(table, 6, 0, "F", "sibling");
    insertRow(table, 7, 5, "A", "seven");
    insertRow(table, 8, 5, "F", "eight");
    insertRow(table, 9, 8, "A", "nine");
    insertRow(table, 10, 6, "A", "ten");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node("5"));
        clickButton(window, "delf");
        for (const char *gone : {"5", "7", "8", "9"})
            QVERIFY(!tree->findNode(gone));
        QVERIFY(tree->findNode("10"));
        QCOMPARE(enabledButtons(window), QStringList{"close"});
    });
    QCOMPARE(m_asked.size(), 1);
    QCOMPARE(m_asked.front().text, confirmation);
    QCOMPARE(m_asked.front().buttons, MessageBox::Buttons::OkCancel);
    QCOMPARE(m_asked.front().icon, MessageBox::Icon::None);
    const QString children = QStringLiteral("select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= ");
    const QString remove = QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= ");
    QCOMPARE(m_statements, (QStringList{remove + "5", children + "5", children + "7", remove + "7", children + "8",
                                        children + "9", remove + "9", remove + "8", remove + "5"}));
    QCOMPARE(snapshot(table), (QStringList{"6 0 F sibling", "10 6 A ten"}));
}

void TestCommands::deletingAnAccountRemovesOneNodeAndOneRow()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "folder");
    const QString doomed = table.addAccount(folder, "doomed");
    const QString kept = table.addAccount(folder, "kept");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        const int before = tree->nodeCount();
        clickNode(tree, tree->node(doomed));
        clickButton(window, "del");
        QCOMPARE(tree->nodeCount(), before - 1);
        QVERIFY(!tree->findNode(doomed));
        QCOMPARE(enabledButtons(window), QStringList{"close"});
    });
    QCOMPARE(m_statements, QStringList{"Delete from ACCOUNT where ACCOUNT_no= " + doomed});
    QCOMPARE(snapshot(table), (QStringList{folder + " 0 F folder", kept + " " + folder + " A kept"}));
}

void TestCommands::cancellingTheConfirmationChangesNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("which");
    QTest::newRow("folder") << "delf" << "folder";
    QTest::newRow("account") << "del" << "account";
}

void TestCommands::cancellingTheConfirmationChangesNothing()
{
    QFETCH(QString, command);
    QFETCH(QString, which);
    TestDatabase table;
    QHash<QString, QString> keys;
    keys["folder"] = table.addFolder("0", "folder");
    keys["account"] = table.addAccount(keys["folder"], "account");
    const QStringList before = snapshot(table);
    m_answer = MessageBox::Answer::Cancel;
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node(keys[which]));
        const QStringList offered = enabledButtons(window);
        clickButton(window, command);
        QCOMPARE(tree->nodeCount(), 3);
        QCOMPARE(enabledButtons(window), offered);
    });
    QCOMPARE(m_asked.size(), 1);
    QVERIFY(m_statements.isEmpty());
    QCOMPARE(snapshot(table), before);
}

void TestCommands::aDeleteFailingHalfwayIsReportedAndTheWindowStaysUsable()
{
    TestDatabase table;
    insertRow(table, 1, 0, "F", "top");
    insertRow(table, 2, 1, "F", "middle");
    insertRow(table, 3, 2, "A", "deep");
    insertRow(table, 4, 1, "A", "beside");
    insertRow(table, 5, 0, "A", "elsewhere");
    table.db().execute("CREATE TRIGGER guard BEFORE DELETE ON ACCOUNT WHEN OLD.ACCOUNT_NO = 2 "
                       "BEGIN SELECT RAISE(ABORT, 'row 2 is protected'); END");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node("1"));
        clickButton(window, "delf");
        clickNode(tree, tree->node("5"));
        QCOMPARE(enabledButtons(window), (QStringList{"update", "copy", "del", "close"}));
    });
    QCOMPARE(m_asked.size(), 2);
    QVERIFY2(m_asked.back().text.contains("row 2 is protected"), qPrintable(m_asked.back().text));
    // Rows deleted before the failure stay deleted; the rest stay.
    QCOMPARE(snapshot(table), (QStringList{"2 1 F middle", "4 1 A beside", "5 0 A elsewhere"}));
}

void TestCommands::aSubtreeAHundredThousandLevelsDeepIsDeletedWhole()
{
    TestDatabase table;
    constexpr int rows = 100000;
    table.db().execute("BEGIN");
    table.db().execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                      "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n")
                           .arg(rows));
    insertRow(table, rows + 1, 0, "A", "outside");
    table.db().execute("COMMIT");
    withWindow(table, [&](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        clickNode(tree, tree->node("1"));
        Connection::setTraceHook({});
        clickButton(window, "delf");
        QVERIFY(!tree->findNode("1"));
    });
    QCOMPARE(snapshot(table), QStringList{QString::number(rows + 1) + " 0 A outside"});
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
