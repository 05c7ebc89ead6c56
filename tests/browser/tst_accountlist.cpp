// The account list without its window: the tree it fills from the table, and
// each change of rows and nodes with the statements it runs, on every engine.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/DbError.h"
#include "ui/Images.h"

using namespace DialogTest;
using Outcome = AccountList::Outcome;
using MoveCheck = AccountList::MoveCheck;
using Deletion = AccountList::Deletion;
using Change = std::function<Outcome(AccountList &, SSTree &)>;
Q_DECLARE_METATYPE(Change)

namespace {

const QString load = "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = %1 ORDER BY ACCOUNT_NO";
const QString readRow = "select * from ACCOUNT where ACCOUNT_no= %1";
const QString deleteRow = "Delete from ACCOUNT where ACCOUNT_no= %1";
const QString childKeys = "select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= %1";
const QString moveRow = "UPDATE ACCOUNT SET P_ACCOUNT_NO = %1 WHERE ACCOUNT_NO = %2";
// What a rename and a delete read first, for an undo.
const QString readOwn = "SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = %1";

// What the editor hands over; a quote and a line break in it.
const AccountStatements::AccountValues edited = {{"NAME", "Mail"}, {"SENDER", "O'Hara"},
    {"MAIL_ADDRESS", "ann@x"}, {"SMTP_HOST", "smtp.x"}, {"SMTP_PORT", "25"}, {"POP_HOST", "pop.x"},
    {"POP_PORT", "110"}, {"USERID", "ann"}, {"PSWD", "pw"}, {"TEXT_SIG", "Best,\r\nAnn"},
    {"OFFICE_NAME", "Co"}, {"OFFICE_SECTION", "Sec"}, {"TEL_NUMBER", "1"}, {"FAX_NUMBER", "2"},
    {"ADDRESS1", "A1"}, {"ADDRESS2", "A2"}, {"HANDY", "3"}};

QStringList editedRow(const QString &key, const QString &parent, const QString &htmlSignature)
{
    return {key, parent, "A", "Mail", "O'Hara", "ann@x", "smtp.x", "25", "pop.x", "110", "ann",
        "pw", "Best,\r\nAnn", htmlSignature, "Co", "Sec", "1", "2", "A1", "A2", "3"};
}

} // namespace

class TestAccountList : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    std::unique_ptr<SSTree> m_tree;
    std::unique_ptr<AccountList> m_list;
    ImageList m_images;
    QStringList m_load;

    SSNode *node(const QString &key) const { return m_tree->node(key); }
    // As a click on the node chooses it.
    void choose(const QString &key)
    {
        m_tree->setSelectedNode(node(key));
        m_list->choose(key);
    }
    // The statements run since the last call.
    QStringList ran() { return std::exchange(m_record->statements, {}); }
    // Each node in the order it was made, with its look where asked.
    QStringList nodes(bool looks = false) const
    {
        QStringList lines;
        for (int i = 1; i <= m_tree->nodeCount(); ++i) {
            const SSNode *node = m_tree->nodeAt(i);
            const SSNode *parent = node->parentNode();
            lines
                << QString("%1<%2 %3").arg(node->key(), parent ? parent->key() : "-", node->text());
            if (looks)
                lines.back()
                    += QString(" %1/%2 %3 %4%5 [%6]%7")
                           .arg(node->image(), node->expandedImage(), node->foreColor().name())
                           .arg(node->font().pointSizeF())
                           .arg(node->font().bold() ? " bold" : "", node->markerText(),
                               node->expanded() ? " +" : "");
        }
        return lines;
    }

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void initTestCase() { m_images = treeImages(); }

    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        addSampleTree(*m_table);
        m_record = std::make_unique<Recording>();
        m_tree = std::make_unique<SSTree>();
        m_list = std::make_unique<AccountList>();
        m_list->attach(m_tree.get(), &m_images);
        m_list->open(m_table->connectionString());
        m_load = ran();
    }

    void cleanup()
    {
        m_list.reset();
        m_tree.reset();
        m_record.reset();
        m_table.reset();
    }

    // Names sorted the other way from the keys, folders and accounts in
    // between, two folders of one name; a node's parent is open.
    void theLoadMakesNodesDepthFirstInKeyOrder()
    {
        QStringList queries;
        for (const int key : {0, 1, 3, 4, 5, 2, 6})
            queries << load.arg(key);
        QCOMPARE(m_load, queries);
        QCOMPARE(nodes(true),
            (QStringList {"0<- ｱｶｳﾝﾄ root/root #c8a032 10 [0] +",
                "1<0 Zeta close/open #0000ff 10 [0] +", "3<1 営業部 close/open #0000ff 10 [0] +",
                "4<3 O'Neill account/ #005000 10 [4]", "5<1 Beta account/ #005000 10 [5]",
                "2<0 Alpha account/ #005000 10 [2]", "6<0 Zeta close/open #0000ff 10 [0]"}));
        QCOMPARE(m_list->newestNode(), node("0"));
        QVERIFY(m_tree->updatesEnabled());
        QCOMPARE(m_record->messages(), QStringList());
    }

    // The view would make a neighbour current, which the buttons, all off
    // after a delete, do not offer.
    void deletingAFolderDeletesDeepestFirstAndLeavesNothingChosen()
    {
        choose("1");
        m_list->deleteChosen(Deletion::WithSubtree);
        QCOMPARE(ran(),
            (QStringList {readOwn.arg(1), load.arg(1), load.arg(3), load.arg(5), load.arg(4),
                deleteRow.arg(1), childKeys.arg(1), childKeys.arg(3), childKeys.arg(4),
                deleteRow.arg(4), deleteRow.arg(3), childKeys.arg(5), deleteRow.arg(5),
                deleteRow.arg(1)}));
        QCOMPARE(m_table->snapshot(), (QStringList {"2 0 A Alpha", "6 0 F Zeta"}));
        QCOMPARE(nodes(), (QStringList {"0<- ｱｶｳﾝﾄ", "2<0 Alpha", "6<0 Zeta"}));
        QCOMPARE(m_tree->currentNode(), nullptr);
        QCOMPARE(m_tree->selectedNode(), nullptr);
    }

    // A row the table refuses gets no node.
    void addingAFolderStoresTheRowThenMakesTheNode()
    {
        choose("6");
        QCOMPARE(m_list->addFolder("New"), Outcome::Done);
        QCOMPARE(ran(),
            (QStringList {readRow.arg(6),
                "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( 6 ,'F','New')",
                "select max(ACCOUNT_no) from ACCOUNT"}));
        QCOMPARE(m_table->snapshot().last(), "7 6 F New");
        QCOMPARE(nodes(true).mid(6),
            (QStringList {
                "6<0 Zeta close/open #0000ff 10 [0] +", "7<6 New close/open #0000ff 10 [0]"}));
        QCOMPARE(m_list->newestNode(), node("7"));
        refuseWrites(*m_table, "INSERT");
        QVERIFY_THROWS_EXCEPTION(DbError, m_list->addFolder("Refused"));
        QCOMPARE(m_tree->nodeCount(), 8);
        QCOMPARE(m_table->snapshot().size(), 7);
    }

    // A name the table refuses stays on the node.
    void renamingAFolderChangesTheNodeThenTheRow()
    {
        choose("6");
        QCOMPARE(m_list->renameFolder("Sales"), Outcome::Done);
        QCOMPARE(ran(),
            (QStringList {readOwn.arg(6), "UPDATE ACCOUNT SET NAME='Sales' where ACCOUNT_NO= 6 "}));
        QCOMPARE(m_table->snapshot().last(), "6 0 F Sales");
        QCOMPARE(node("6")->text(), "Sales");
        refuseWrites(*m_table, "UPDATE");
        QVERIFY_THROWS_EXCEPTION(DbError, m_list->renameFolder("Refused"));
        QCOMPARE(node("6")->text(), "Refused");
        QCOMPARE(m_table->snapshot().last(), "6 0 F Sales");
    }

    void addingOrCopyingAnAccountStoresTheRowThenMakesTheNode_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("htmlSignature");
        const QString insert
            = "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,"
              "POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,OFFICE_SECTION,"
              "TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '%1', 'A', 'Mail','O''Hara',"
              "'ann@x','smtp.x','25','pop.x','110','ann','pw','Best,\r\nAnn',%2 ,'Co','Sec',"
              "'1','2','A1','A2','3')";
        const auto row = [](const char *tag, const char *chosen, bool copy,
                             const QStringList &statements, const char *parent, const char *html) {
            QTest::newRow(tag) << QString(chosen) << copy << statements << QString(parent)
                               << QString(html);
        };
        row("add into a folder", "6", false,
            {readRow.arg(6), insert.arg("6", "''"), "select max(ACCOUNT_NO) from ACCOUNT"}, "6",
            "");
        row("copy beside its account, with a blank HTML signature", "4", true,
            {readRow.arg(4), readRow.arg(3), insert.arg("3", "' '"),
                "select max(ACCOUNT_no) from ACCOUNT"},
            "3", " ");
    }

    void addingOrCopyingAnAccountStoresTheRowThenMakesTheNode()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, copy);
        QFETCH(QString, parent);
        QFETCH(QString, htmlSignature);
        choose(chosen);
        QCOMPARE(copy ? m_list->copyAccount(edited) : m_list->addAccount(edited), Outcome::Done);
        QTEST(ran(), "statements");
        QCOMPARE(allRows(*m_table).back(), editedRow("7", parent, htmlSignature));
        QCOMPARE(nodes(true).last(), "7<" + parent + " Mail account/ #005000 10 []");
        QCOMPARE(m_list->newestNode(), node("7"));
    }

    void updatingAnAccountKeepsItsKeyParentAndHtmlSignature()
    {
        choose("4");
        QCOMPARE(m_list->updateAccount(edited), Outcome::Done);
        QCOMPARE(ran(),
            (QStringList {readRow.arg(4),
                "UPDATE ACCOUNT SET NAME='Mail', SENDER = 'O''Hara', MAIL_ADDRESS = 'ann@x', "
                "SMTP_HOST = 'smtp.x', SMTP_PORT = '25', POP_HOST = 'pop.x', POP_PORT = '110', "
                "USERID = 'ann', PSWD = 'pw', TEXT_SIG = 'Best,\r\nAnn', OFFICE_NAME = 'Co', "
                "OFFICE_SECTION = 'Sec', TEL_NUMBER = '1', FAX_NUMBER = '2', ADDRESS1 = 'A1', "
                "ADDRESS2 = 'A2', HANDY = '3'where ACCOUNT_NO= 4"}));
        QCOMPARE(allRows(*m_table)[3], editedRow("4", "3", "<p>"));
        QCOMPARE(nodes()[3], "4<3 Mail");
    }

    // MariaDB counts a row written with the values it held as unchanged
    // unless the connection asks for the rows found.
    void aChangeThatLeavesItsRowAsItWasIsDone()
    {
        choose("6");
        QCOMPARE(m_list->renameFolder("Zeta"), Outcome::Done);
        QCOMPARE(m_list->renameLabel("Zeta"), Outcome::Done);
        QVERIFY(!m_list->isStale());
    }

    // Another program deleted a row the change needs.
    void aChangeWhoseRowIsGoneWritesNothing_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("gone");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<Outcome>("outcome");
        const auto row = [](const char *tag, const char *chosen, const char *gone,
                             const QStringList &statements, Outcome outcome, const Change &change) {
            QTest::newRow(tag) << change << QString(chosen) << QString(gone) << statements
                               << outcome;
        };
        row("rename folder", "6", "6",
            {readOwn.arg(6), "UPDATE ACCOUNT SET NAME='New' where ACCOUNT_NO= 6 "},
            Outcome::FolderGone,
            [](AccountList &list, SSTree &) { return list.renameFolder("New"); });
        row("label", "5", "5", {readOwn.arg(5), "UPDATE ACCOUNT SET NAME='New' WHERE ACCOUNT_NO=5"},
            Outcome::AccountGone,
            [](AccountList &list, SSTree &) { return list.renameLabel("New"); });
        row("update", "5", "5", {readRow.arg(5)}, Outcome::AccountGone,
            [](AccountList &list, SSTree &) { return list.updateAccount(edited); });
        row("add folder into a gone folder", "6", "6", {readRow.arg(6)}, Outcome::FolderGone,
            [](AccountList &list, SSTree &) { return list.addFolder("New"); });
        row("copy beside an account whose folder is gone", "5", "1",
            {readRow.arg(5), readRow.arg(1)}, Outcome::FolderGone,
            [](AccountList &list, SSTree &) { return list.copyAccount(edited); });
        const Change moveOnto6 = [](AccountList &list, SSTree &tree) {
            return list.move(tree.node("2"), tree.node("6"));
        };
        row("move onto a gone folder", "2", "6", {readRow.arg(6)}, Outcome::FolderGone, moveOnto6);
        row("move of a gone row", "2", "2", {readRow.arg(6), moveRow.arg(6).arg(2)},
            Outcome::AccountGone, moveOnto6);
    }

    void aChangeWhoseRowIsGoneWritesNothing()
    {
        QFETCH(Change, change);
        QFETCH(QString, chosen);
        QFETCH(QString, gone);
        choose(chosen);
        m_table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = " + gone);
        const QStringList left = m_table->snapshot();
        ran();
        QTEST(change(*m_list, *m_tree), "outcome");
        QTEST(ran(), "statements");
        QVERIFY(m_list->isStale());
        QCOMPARE(m_table->snapshot(), left);
    }

    void aMoveIsCheckedBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<MoveCheck>("check");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("parent"); // the dragged node's and row's afterwards
        const auto row = [](const char *tag, const char *dragged, const char *target,
                             MoveCheck check, const QStringList &statements, const char *parent) {
            QTest::newRow(tag) << QString(dragged) << QString(target) << check << statements
                               << QString(parent);
        };
        row("account onto an account", "2", "5", MoveCheck::Ignored, {}, "0");
        row("the root onto a folder", "0", "6", MoveCheck::Ignored, {}, "");
        row("folder into its own subtree", "1", "3", MoveCheck::Refused, {}, "0");
        row("folder below a namesake of itself", "6", "3", MoveCheck::Refused, {}, "0");
        row("account into a folder", "2", "3", MoveCheck::Allowed,
            {readRow.arg(3), moveRow.arg(3).arg(2)}, "3");
        row("folder with its subtree onto the root", "3", "0", MoveCheck::Allowed,
            {moveRow.arg(0).arg(3)}, "0");
    }

    void aMoveIsCheckedBeforeAnythingIsWritten()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, parent);
        SSNode *from = node(dragged);
        const MoveCheck check = m_list->checkMove(from, node(target));
        QTEST(check, "check");
        if (check == MoveCheck::Allowed)
            QCOMPARE(m_list->move(from, node(target)), Outcome::Done);
        QTEST(ran(), "statements");
        QCOMPARE(from->parentNode() ? from->parentNode()->key() : "", parent);
        QCOMPARE(m_table->value("select P_ACCOUNT_NO from ACCOUNT where ACCOUNT_NO = " + dragged),
            parent);
    }
};

QTEST_MAIN(TestAccountList)
#include "tst_accountlist.moc"
