// The account list as the user meets it: the tree built from the table,
// the buttons offered for the clicked node, resizing and closing.

#include "support/AccountListDriver.h"
#include "support/ModalDriver.h"
#include "support/Recording.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Sign.h"
#include "ui/Forms.h"

#include <QTest>
#include <QTreeWidgetItemIterator>

namespace {

// One line per node in creation order: key<parent key, text, [marker], image
// and expanded image, colour, font size, " bold" and " no icon" where so, the
// role key where it is not the node's key, and " +" when expanded.
QStringList creationOrder(SSTree *tree)
{
    QStringList lines;
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        SSNode *node = tree->nodeAt(i);
        const QString role = node->data(0, Qt::UserRole).toString();
        lines << QStringLiteral("%1<%2 %3 [%4] %5/%6 %7 %8pt")
                     .arg(node->key(),
                         node->parentNode() ? node->parentNode()->key() : QStringLiteral("-"),
                         node->text(), node->markerText(), node->image(), node->expandedImage(),
                         node->foreground(0).color().name(),
                         QString::number(node->font(0).pointSizeF()))
                + (node->font(0).bold() ? " bold" : "") + (node->icon(0).isNull() ? " no icon" : "")
                + (role != node->key() ? " role " + role : QString())
                + (node->expanded() ? " +" : "");
    }
    return lines;
}

// The line a row of the kind ('F' folder, 'A' account, 'R' root) shows as.
QString shown(const QString &key, const QString &parent, const QString &name, char kind,
    bool expanded = false)
{
    const QString look = kind == 'F' ? QStringLiteral("[0] close/open #0000ff")
        : kind == 'A'                ? "[" + key + "] account/ #005000"
                                     : QStringLiteral("[0] root/root #c8a032");
    return QStringLiteral("%1<%2 %3 %4 10pt").arg(key, parent, name, look) + (expanded ? " +" : "");
}

const QString rootAlone = shown("0", "-", "ｱｶｳﾝﾄ", 'R');
const QString rootOpen = rootAlone + " +";

// The statements that make the table (a bare "(...)" inserts those values), the
// nodes shown, the messages that come, each containing `said`, and whether the
// table's file is there to open.
void loadRow(const char *tag, const QStringList &sql, const QStringList &nodes, int messages,
    const QString &said = {}, bool opens = true)
{
    QTest::newRow(tag) << sql << opens << nodes << messages << said;
}

} // namespace

class TestAccountBrowse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void theLoadShowsWhatCanBeShownWithAtMostOneMessage_data();
    void theLoadShowsWhatCanBeShownWithAtMostOneMessage();
    void theLoadRunsOneQueryPerRowInTreeOrder();
    void theButtonsFollowTheKindOfTheClickedNode_data();
    void theButtonsFollowTheKindOfTheClickedNode();
    void theTreeFollowsTheWindowSize();
    void closingUnloadsTheDialogsAndTheConnection_data();
    void closingUnloadsTheDialogsAndTheConnection();
    void noStatementHoldsTheTableOnceALoadOrADeleteIsDone();

private:
    std::unique_ptr<Recording> m_recording;
};

void TestAccountBrowse::init()
{
    m_recording = std::make_unique<Recording>();
}

void TestAccountBrowse::cleanup()
{
    ModalDriver::closeAllModals();
    m_recording.reset();
    QVERIFY(!Forms::accountBrowse().isLoaded());
}

void TestAccountBrowse::theLoadShowsWhatCanBeShownWithAtMostOneMessage_data()
{
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("inMessage");
    // Names that sort the other way from the keys, and names a careless load
    // would change.
    loadRow("depth first in key order",
        {"(1,0,'F','Zeta')", "(2,0,'A','Alpha')", "(3,1,'F','営業部のアカウント')",
            "(4,3,'A','O''Neill''s \"mail\"')", "(5,1,'A','  spaced  ')", "(6,0,'F','Aardvark')"},
        {rootOpen, shown("1", "0", "Zeta", 'F', true),
            shown("3", "1", "営業部のアカウント", 'F', true),
            shown("4", "3", "O'Neill's \"mail\"", 'A'), shown("5", "1", "  spaced  ", 'A'),
            shown("2", "0", "Alpha", 'A'), shown("6", "0", "Aardvark", 'F')},
        0);
    loadRow("empty table", {}, {rootAlone}, 0);
    loadRow("cannot be opened", {}, {rootAlone}, 1, {}, false);
    // The level beneath a row of unknown KIND has no node to hang from: it
    // reports once and the load goes on with the next row.
    loadRow("unknown kind",
        {"(1,0,'X','odd')", "(2,1,'F','lost 1')", "(3,1,'F','lost 2')", "(4,0,'F','kept')"},
        {rootOpen, shown("4", "0", "kept", 'F')}, 1);
    loadRow("orphan, and a folder under an account",
        {"(1,0,'A','holder')", "(2,1,'F','under an account')", "(3,9999,'F','orphan')"},
        {rootOpen, shown("1", "0", "holder", 'A', true), shown("2", "1", "under an account", 'F')},
        0);
    loadRow("a row that names itself as parent",
        {"(0,0,'X','zero')", "(1,0,'F','F')", "(2,1,'A','A')"},
        {rootOpen, shown("1", "0", "F", 'F', true), shown("2", "1", "A", 'A')}, 0);
    // The root's level stops at the duplicate.
    loadRow("duplicate numbers",
        {"DROP TABLE ACCOUNT",
            "CREATE TABLE ACCOUNT (ACCOUNT_NO INTEGER, P_ACCOUNT_NO INTEGER, KIND TEXT, NAME TEXT)",
            "(1,0,'F','one')", "(1,0,'F','one again')", "(2,1,'A','child')", "(3,0,'F','three')"},
        {rootOpen, shown("1", "0", "one", 'F', true), shown("2", "1", "child", 'A')}, 1);
    // Keys held as text compare and sort as text, as the statements say.
    loadRow("keys declared as text",
        {"DROP TABLE ACCOUNT",
            "CREATE TABLE ACCOUNT (ACCOUNT_NO TEXT, P_ACCOUNT_NO TEXT, KIND TEXT, NAME TEXT)",
            "(1,0,'F','one')", "(9,1,'A','nine')", "(10,1,'A','ten')", "(2,0,'F','two')"},
        {rootOpen, shown("1", "0", "one", 'F', true), shown("10", "1", "ten", 'A'),
            shown("9", "1", "nine", 'A'), shown("2", "0", "two", 'F')},
        0);
    QStringList chain {rootOpen};
    for (int key = 1; key <= AccountBrowse::maxTreeDepth; ++key)
        chain << shown(QString::number(key), QString::number(key - 1), QString::number(key), 'F',
            key < AccountBrowse::maxTreeDepth);
    loadRow("a chain of 100000 folders",
        {"BEGIN", "(1,0,'F','1')",
            "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n",
            "COMMIT"},
        chain, 1, QString::number(AccountBrowse::maxTreeDepth));
}

void TestAccountBrowse::theLoadShowsWhatCanBeShownWithAtMostOneMessage()
{
    QFETCH(QStringList, sql);
    QFETCH(bool, opens);
    QFETCH(int, messages);
    QFETCH(QString, inMessage);
    TestDatabase table;
    for (const QString &statement : sql)
        table.db().execute(statement.startsWith(u'(')
                ? "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES" + statement
                : statement);
    const QString connStr = opens ? table.connectionString() : table.path() + ".missing";
    QVERIFY(inAccountList(connStr, [](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        QTEST(creationOrder(tree), "nodes");
        int shownAt = 0; // siblings show in the order they were loaded
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            QCOMPARE(SSNode::cast(*it)->key(), tree->nodeAt(++shownAt)->key());
        QCOMPARE(shownAt, tree->nodeCount());
        QCOMPARE(tree->topNode(), tree->node("0"));
        QCOMPARE(window.atNode, tree->node("0"));
        QCOMPARE(enabledButtons(window), QStringList {"close"});
    }));
    QCOMPARE(m_recording->messages().size(), messages);
    for (const QString &text : m_recording->messages())
        QVERIFY2(text.contains(inMessage), qPrintable(text));
}

void TestAccountBrowse::theLoadRunsOneQueryPerRowInTreeOrder()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "F");
    const QString account = table.addAccount(folder, "A");
    const QString top = table.addAccount("0", "T");
    m_recording->statements.clear();
    QVERIFY(inAccountList(table.connectionString(), [](AccountBrowse &) {}));
    const QString query
        = QStringLiteral("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = %1 ORDER BY ACCOUNT_NO");
    QCOMPARE(m_recording->statements,
        (QStringList {query.arg("0"), query.arg(folder), query.arg(account), query.arg(top)}));
}

void TestAccountBrowse::theButtonsFollowTheKindOfTheClickedNode_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("offered");
    const QStringList root = {"addf", "add", "close"};
    const QStringList folder = {"addf", "updatef", "delf", "add", "close"};
    const QStringList account = {"update", "copy", "del", "close"};
    QTest::newRow("root") << QStringList {"root"} << root;
    QTest::newRow("top folder") << QStringList {"folder"} << folder;
    QTest::newRow("deep folder") << QStringList {"deep folder"} << folder;
    QTest::newRow("account") << QStringList {"account"} << account;
    QTest::newRow("folder, account, root") << QStringList {"folder", "account", "root"} << root;
    QTest::newRow("root, account") << QStringList {"root", "account"} << account;
    QTest::newRow("account, deep folder") << QStringList {"account", "deep folder"} << folder;
}

void TestAccountBrowse::theButtonsFollowTheKindOfTheClickedNode()
{
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, offered);
    TestDatabase table;
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table.addFolder("0", "F");
    const QString middle = table.addFolder(keys["folder"], "G");
    keys["deep folder"] = table.addFolder(middle, "H");
    keys["account"] = table.addAccount(middle, "A");
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        for (const QString &click : clicks)
            clickNode(window.SSTree1(), window.SSTree1()->node(keys[click]));
        QCOMPARE(enabledButtons(window), offered);
        QCOMPARE(window.basNodeKey, keys[clicks.last()]);
    }));
}

void TestAccountBrowse::theTreeFollowsTheWindowSize()
{
    TestDatabase table;
    QVERIFY(inAccountList(table.connectionString(), [](AccountBrowse &window) {
        SSTree *tree = window.SSTree1();
        tree->window()->resize(900, 700);
        QCOMPARE(tree->geometry(), QRect(0, 40, 900, 660));
        tree->window()->resize(500, 300);
        QCOMPARE(tree->geometry(), QRect(0, 40, 500, 260));
        tree->window()->resize(400, 20); // lower than the toolbar: only the width follows
        QCOMPARE(tree->geometry(), QRect(0, 40, 400, 260));
    }));
}

void TestAccountBrowse::closingUnloadsTheDialogsAndTheConnection_data()
{
    QTest::addColumn<bool>("withToolbar");
    QTest::newRow("close box") << false;
    QTest::newRow("toolbar close") << true;
}

void TestAccountBrowse::closingUnloadsTheDialogsAndTheConnection()
{
    QFETCH(bool, withToolbar);
    TestDatabase table;
    bool wasOpen = false;
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        Forms::sign().widget(); // the signature dialog was used: it is loaded, though hidden
        wasOpen = window.basTable->isOpen();
        if (withToolbar)
            clickButton(window, QStringLiteral("close"));
        else
            window.SSTree1()->window()->close();
    }));
    QVERIFY(wasOpen);
    QCOMPARE(table.writeWithoutWaiting("DELETE FROM ACCOUNT"), QString());
    QVERIFY(!Forms::accountBrowse().isLoaded());
    QVERIFY(!Forms::sign().isLoaded());
    QVERIFY(!Forms::accountBrowse().basTable->isOpen());
}

// The host's mail client writes to the same file while the window is open.
void TestAccountBrowse::noStatementHoldsTheTableOnceALoadOrADeleteIsDone()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "Folder");
    table.addAccount(table.addFolder(folder, "Inner"), "Mail");
    const QString write = "UPDATE ACCOUNT SET NAME = 'Written' WHERE ACCOUNT_NO = 0";
    QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
        QCOMPARE(window.SSTree1()->nodeCount(), 4);
        QCOMPARE(table.writeWithoutWaiting(write), QString());
        clickNode(window.SSTree1(), window.SSTree1()->node(folder));
        clickButton(window, "delf");
        QCOMPARE(table.writeWithoutWaiting(write), QString());
    }));
    QCOMPARE(table.rowCount(), 0);
}

QTEST_MAIN(TestAccountBrowse)
#include "tst_accountbrowse.moc"
