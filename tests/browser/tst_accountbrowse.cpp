// The account list as the user meets it: the tree built from the table,
// the buttons offered for the clicked node, resizing and closing.

#include "support/AccountListDriver.h"
#include "support/ModalDriver.h"
#include "support/Recording.h"
#include "support/TestDatabase.h"

#include "browser/AccountBrowse.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "dialogs/Sign.h"
#include "store/Recordset.h"
#include "ui/FormDialog.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolBar>

namespace {

AccountBrowse &browse()
{
    return Forms::accountBrowse();
}

// One line per node in creation order: key, parent key, text, marker, images.
QStringList creationOrder(SSTree *tree)
{
    QStringList lines;
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        SSNode *node = tree->nodeAt(i);
        lines << QStringLiteral("%1<%2 %3 [%4]")
                     .arg(node->key(),
                         node->parentNode() ? node->parentNode()->key() : QStringLiteral("-"),
                         node->text(), node->markerText());
    }
    return lines;
}

QStringList childKeys(SSNode *node)
{
    QStringList keys;
    for (SSNode *child = node->firstChild(); child; child = child->nextSibling())
        keys << child->key();
    return keys;
}

const QStringList commandKeys = {"addf", "updatef", "delf", "add", "update", "copy", "del"};

// The keys of the enabled command buttons, "close" included.
QStringList enabledButtons()
{
    QStringList keys;
    for (const QString &key : commandKeys + QStringList {"close"})
        if (browse().button(key)->isEnabled())
            keys << key;
    return keys;
}

} // namespace

class TestAccountBrowse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void childrenLoadDepthFirstInKeyOrderWhateverTheirNames();
    void theLoadRunsOneQueryPerRowInTreeOrder();
    void eachKindOfNodeHasItsLook_data();
    void eachKindOfNodeHasItsLook();
    void nodesWithChildrenAreExpanded();
    void anEmptyTableShowsTheRootAloneAtTheTop();
    void rowsOfAnUnknownKindAreSkippedAndTheLevelBeneathReportsOnce();
    void orphansAreNeverShownAndAccountsMayHoldChildren();
    void namesAreShownAsStored_data();
    void namesAreShownAsStored();
    void aDatabaseThatCannotBeOpenedShowsTheRootAndOneMessage();
    void onlyCloseIsOfferedRightAfterTheLoad();
    void theButtonsFollowTheKindOfTheClickedNode_data();
    void theButtonsFollowTheKindOfTheClickedNode();
    void theTreeFollowsTheWindowSize();
    void closingUnloadsTheDialogsAndTheConnection_data();
    void closingUnloadsTheDialogsAndTheConnection();
    void aDeepChainIsShownDownToTheLimitWithOneMessage();
    void aRowThatNamesItselfAsParentDoesNotLoadForever();
    void duplicateNumbersAreReportedNotCrashedOn();

private:
    // Opens the window on the table, runs the check inside it, closes it.
    void inWindow(TestDatabase &table, const std::function<void(SSTree *)> &check);

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
    QVERIFY(!browse().isLoaded());
}

void TestAccountBrowse::inWindow(TestDatabase &table, const std::function<void(SSTree *)> &check)
{
    QVERIFY(inAccountList(
        table.connectionString(), [&](AccountBrowse &window) { check(window.SSTree1()); }));
}

void TestAccountBrowse::childrenLoadDepthFirstInKeyOrderWhateverTheirNames()
{
    TestDatabase table;
    const QString zeta = table.addFolder("0", "Zeta");
    const QString alpha = table.addAccount("0", "Alpha");
    const QString mid = table.addFolder(zeta, "Mid");
    const QString inner = table.addAccount(mid, "aaa");
    const QString last = table.addAccount(zeta, "Beta");
    const QString afterAlpha = table.addFolder("0", "Aardvark");

    inWindow(table, [&](SSTree *tree) {
        QCOMPARE(creationOrder(tree),
            (QStringList {"0<- ｱｶｳﾝﾄ [0]", zeta + "<0 Zeta [0]", mid + "<" + zeta + " Mid [0]",
                inner + "<" + mid + " aaa [" + inner + "]",
                last + "<" + zeta + " Beta [" + last + "]", alpha + "<0 Alpha [" + alpha + "]",
                afterAlpha + "<0 Aardvark [0]"}));
        QCOMPARE(childKeys(tree->node("0")), (QStringList {zeta, alpha, afterAlpha}));
        QCOMPARE(childKeys(tree->node(zeta)), (QStringList {mid, last}));
        QCOMPARE(browse().atNode, tree->node("0"));
    });
    QVERIFY(m_recording->messages().isEmpty());
}

void TestAccountBrowse::theLoadRunsOneQueryPerRowInTreeOrder()
{
    TestDatabase table;
    const QString folder = table.addFolder("0", "F");
    const QString account = table.addAccount(folder, "A");
    const QString top = table.addAccount("0", "T");
    m_recording->statements.clear();
    inWindow(table, [](SSTree *) {});
    const QString query
        = QStringLiteral("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = %1 ORDER BY ACCOUNT_NO");
    QCOMPARE(m_recording->statements,
        (QStringList {query.arg("0"), query.arg(folder), query.arg(account), query.arg(top)}));
}

void TestAccountBrowse::eachKindOfNodeHasItsLook_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("expandedImage");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("root") << "root"
                          << "root"
                          << "root" << QColor(200, 160, 50);
    QTest::newRow("folder") << "folder"
                            << "close"
                            << "open" << QColor(0, 0, 255);
    QTest::newRow("account") << "account"
                             << "account"
                             << "" << QColor(0, 80, 0);
}

void TestAccountBrowse::eachKindOfNodeHasItsLook()
{
    QFETCH(QString, which);
    TestDatabase table;
    const QString folder = table.addFolder("0", "F");
    const QString account = table.addAccount(folder, "A");
    const QString key = which == u"root" ? QStringLiteral("0")
        : which == u"folder"             ? folder
                                         : account;
    inWindow(table, [&](SSTree *tree) {
        SSNode *node = tree->node(key);
        QTEST(node->image(), "image");
        QTEST(node->expandedImage(), "expandedImage");
        QTEST(node->foreground(0).color(), "colour");
        QCOMPARE(node->font(0).pointSizeF(), 10.0);
        QCOMPARE(node->font(0).bold(), false);
        QVERIFY(!node->icon(0).isNull());
        QCOMPARE(node->data(0, Qt::UserRole).toString(), key);
    });
}

void TestAccountBrowse::nodesWithChildrenAreExpanded()
{
    TestDatabase table;
    const QString full = table.addFolder("0", "full");
    const QString empty = table.addFolder("0", "empty");
    const QString deep = table.addFolder(full, "deep");
    table.addAccount(deep, "a");
    inWindow(table, [&](SSTree *tree) {
        QVERIFY(tree->node("0")->expanded());
        QVERIFY(tree->node(full)->expanded());
        QVERIFY(tree->node(deep)->expanded());
        QVERIFY(!tree->node(empty)->expanded());
    });
}

void TestAccountBrowse::anEmptyTableShowsTheRootAloneAtTheTop()
{
    TestDatabase table;
    inWindow(table, [&](SSTree *tree) {
        QCOMPARE(tree->nodeCount(), 1);
        QVERIFY(!tree->node("0")->expanded());
        QCOMPARE(tree->topNode(), tree->node("0"));
        QCOMPARE(tree->node("0")->text(), QStringLiteral("ｱｶｳﾝﾄ"));
    });
    QVERIFY(m_recording->messages().isEmpty());
}

void TestAccountBrowse::rowsOfAnUnknownKindAreSkippedAndTheLevelBeneathReportsOnce()
{
    TestDatabase table;
    const QString odd = table.addRow("0", "X", "odd");
    table.addFolder(odd, "lost 1");
    table.addFolder(odd, "lost 2");
    const QString kept = table.addFolder("0", "kept");
    inWindow(table, [&](SSTree *tree) {
        QCOMPARE(tree->nodeCount(), 2);
        QVERIFY(!tree->findNode(odd));
        QVERIFY(tree->findNode(kept));
    });
    QCOMPARE(m_recording->messages().size(), 1);
}

void TestAccountBrowse::orphansAreNeverShownAndAccountsMayHoldChildren()
{
    TestDatabase table;
    const QString account = table.addAccount("0", "holder");
    const QString child = table.addFolder(account, "under an account");
    const QString orphan = table.addFolder("9999", "orphan");
    inWindow(table, [&](SSTree *tree) {
        QCOMPARE(tree->node(child)->parentNode(), tree->node(account));
        QVERIFY(!tree->findNode(orphan));
        QCOMPARE(tree->nodeCount(), 3);
    });
    QVERIFY(m_recording->messages().isEmpty());
}

void TestAccountBrowse::namesAreShownAsStored_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("japanese") << "営業部のアカウント";
    QTest::newRow("quotes") << "O'Neill's \"mail\"";
    QTest::newRow("blanks around") << "  spaced  ";
}

void TestAccountBrowse::namesAreShownAsStored()
{
    QFETCH(QString, name);
    TestDatabase table;
    const QString key = table.addFolder("0", name);
    inWindow(table, [&](SSTree *tree) { QCOMPARE(tree->node(key)->text(), name); });
}

void TestAccountBrowse::aDatabaseThatCannotBeOpenedShowsTheRootAndOneMessage()
{
    TestDatabase table;
    bool ran = false;
    int nodes = -1;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [&](QWidget *window) {
            nodes = browse().SSTree1()->nodeCount();
            window->close();
        },
        &ran);
    browse().showAccountForm(table.path() + QStringLiteral(".missing"));
    QVERIFY(ran);
    QCOMPARE(nodes, 1);
    QCOMPARE(m_recording->messages().size(), 1);
}

void TestAccountBrowse::onlyCloseIsOfferedRightAfterTheLoad()
{
    TestDatabase table;
    table.addFolder("0", "F");
    inWindow(table, [](SSTree *) { QCOMPARE(enabledButtons(), QStringList {"close"}); });
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
    inWindow(table, [&](SSTree *tree) {
        for (const QString &click : clicks)
            clickNode(tree, tree->node(keys[click]));
        QCOMPARE(enabledButtons(), offered);
        QCOMPARE(browse().basNodeKey, keys[clicks.last()]);
    });
}

void TestAccountBrowse::theTreeFollowsTheWindowSize()
{
    TestDatabase table;
    inWindow(table, [](SSTree *tree) {
        QWidget *window = tree->window();
        window->resize(900, 700);
        QCOMPARE(tree->geometry(), QRect(0, 40, 900, 660));
        window->resize(500, 300);
        QCOMPARE(tree->geometry(), QRect(0, 40, 500, 260));
        window->resize(400, 20); // lower than the toolbar: only the width follows
        QCOMPARE(tree->width(), 400);
        QCOMPARE(tree->height(), 260);
    });
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
    bool ran = false;
    bool wasOpen = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [&](QWidget *window) {
            Forms::sign().widget(); // the signature dialog was used: it is loaded, though hidden
            wasOpen = browse().basTable->isOpen();
            if (withToolbar)
                browse().button(QStringLiteral("close"))->trigger();
            else
                window->close();
        },
        &ran);
    browse().showAccountForm(table.connectionString());
    QVERIFY(ran);
    QVERIFY(wasOpen);
    QVERIFY(!browse().isLoaded());
    QVERIFY(!Forms::sign().isLoaded());
    QVERIFY(!browse().basTable->isOpen());
}

void TestAccountBrowse::aDeepChainIsShownDownToTheLimitWithOneMessage()
{
    TestDatabase table;
    constexpr int rows = 100000;
    table.db().execute(QStringLiteral("BEGIN"));
    table.db().execute(QStringLiteral(
        "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(1,0,'F','1')"));
    table.db().execute(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) "
        "SELECT i, i - 1, 'F', i FROM n")
                           .arg(rows));
    table.db().execute(QStringLiteral("COMMIT"));
    QCOMPARE(table.rowCount(), rows);
    inWindow(table, [](SSTree *tree) {
        QCOMPARE(tree->nodeCount(), AccountBrowse::maxTreeDepth + 1);
        SSNode *deepest = tree->node(QString::number(AccountBrowse::maxTreeDepth));
        QVERIFY(deepest->parentNode());
        QVERIFY(!tree->findNode(QString::number(AccountBrowse::maxTreeDepth + 1)));
    });
    QCOMPARE(m_recording->messages().size(), 1);
    QVERIFY(m_recording->messages().front().contains(QString::number(AccountBrowse::maxTreeDepth)));
}

void TestAccountBrowse::aRowThatNamesItselfAsParentDoesNotLoadForever()
{
    TestDatabase table;
    table.db().execute(QStringLiteral(
        "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(0,0,'X','zero')"));
    const QString folder = table.addFolder("0", "F");
    table.addAccount(folder, "A");
    inWindow(table, [&](SSTree *tree) {
        QCOMPARE(tree->nodeCount(), 3);
        QVERIFY(tree->node(folder)->expanded());
    });
    QVERIFY(m_recording->messages().isEmpty());
}

void TestAccountBrowse::duplicateNumbersAreReportedNotCrashedOn()
{
    TestDatabase table;
    table.db().execute(QStringLiteral("DROP TABLE ACCOUNT"));
    table.db().execute(
        QStringLiteral("CREATE TABLE ACCOUNT (ACCOUNT_NO INTEGER, P_ACCOUNT_NO INTEGER, KIND TEXT, "
                       "NAME TEXT)"));
    for (const char *row :
        {"(1,0,'F','one')", "(1,0,'F','one again')", "(2,1,'A','child')", "(3,0,'F','three')"})
        table.db().execute(QStringLiteral("INSERT INTO ACCOUNT VALUES") + QLatin1String(row));
    inWindow(table, [](SSTree *tree) {
        QCOMPARE(tree->node("1")->text(), QStringLiteral("one"));
        QVERIFY(tree->findNode("2"));
        QVERIFY(!tree->findNode("3")); // the root's level stopped at the duplicate
    });
    QCOMPARE(m_recording->messages().size(), 1);
}

QTEST_MAIN(TestAccountBrowse)
#include "tst_accountbrowse.moc"
