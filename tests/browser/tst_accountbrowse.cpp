// The account list as a person uses it: the tree built from the table, and every
// command on the chosen node, with the table checked after each.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Sign.h"
#include "store/Schema.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStyleHints>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidgetItemIterator>

using namespace DialogTest;

namespace {

const QString question = "削除してもよろしいですか。";

// Each row's key, then the values of its first `columns` columns.
void insertRows(TestDatabase &table, const QStringList &rows, int columns = 3)
{
    for (const QString &values : rows)
        table.db().execute("INSERT INTO ACCOUNT(ACCOUNT_NO,"
            + accountColumns().mid(0, columns).join(',') + ") VALUES(" + values + ")");
}

// Folder A (account a1, folder B > C), folder A, folders Twin > mail (every field)
// and Twin > other (empty and null fields), an empty folder. Ports are numbers
// where the engine lets them, as another program may have written them.
void addTree(TestDatabase &table)
{
    table.db().execute("DROP TABLE ACCOUNT");
    for (QString statement : accountSchemaStatements(table.db().driverName()))
        table.db().execute(statement.replace("SMTP_PORT TEXT", "SMTP_PORT INTEGER")
                               .replace("POP_PORT TEXT", "POP_PORT REAL"));
    insertRows(table,
        {"1,0,'F','A'", "2,1,'A','a1'", "3,1,'F','B'", "4,3,'F','C'", "5,0,'F','A'",
            "6,0,'F','Twin'", "8,0,'F','Twin'", "10,0,'F','It''s empty'"});
    insertRows(table,
        {"7,6,'A','mail','Ann','ann@x','smtp.x','587','pop.x','995','ann','s3cret pw',"
         "'Regards,\nAnn','<b>html</b>','Co','Sec','01','02','A1','A2','090'",
            "9,8,'A','other','','b@x','smtp.x','587','pop.x',NULL,'b','s3cret pw',NULL,NULL,NULL,"
            "'Sec','01','02','A1','A2','090'"},
        int(accountColumns().size()));
}

// The load of that tree: one query per row, depth first, here in key order.
QStringList loadOfTree(int without = -1)
{
    QStringList queries;
    for (int key = 0; key <= 10; ++key)
        if (key != without)
            queries << QString("SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = %1 ORDER BY ACCOUNT_NO")
                           .arg(key);
    return queries;
}

// One line per node in creation order: key<parent text [marker], image shown, colour,
// size, what a screen reader calls it, " bold" and " +" (expanded) where so.
QStringList nodeLines(AccountBrowse &window)
{
    QStringList lines;
    SSTree *tree = window.SSTree1();
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        const SSNode *node = tree->nodeAt(i);
        QString image = "none";
        for (const char *key : {"root", "close", "open", "account"})
            if (node->icon(0).cacheKey() == window.ImageList1().icon(key).cacheKey())
                image = key;
        lines << QString("%1<%2 %3 [%4] %5 %6 %7pt %8")
                     .arg(node->key(), node->parentNode() ? node->parentNode()->key() : "-",
                         node->text(), node->markerText(), image,
                         node->foreground(0).color().name(),
                         QString::number(node->font(0).pointSizeF()),
                         node->data(0, Qt::AccessibleDescriptionRole).toString())
                + (node->font(0).bold() ? " bold" : "") + (node->isExpanded() ? " +" : "");
    }
    return lines;
}

// The line of a row of the kind ('F' folder, 'A' account, 'R' the root).
QString shown(const QString &key, const QString &parent, const QString &name, char kind,
    bool expanded = false)
{
    const QString look = kind == 'F'
        ? QString(expanded ? "[0] open" : "[0] close") + " #0000ff 10pt フォルダ"
        : kind == 'A' ? "[" + key + "] account #005000 10pt アカウント"
                      : "[0] root #c8a032 10pt ルート";
    return QString("%1<%2 %3 %4").arg(key, parent, name, look) + (expanded ? " +" : "");
}

// Runs the command and closes the dialog it opens. What that showed: its name, the
// mode, its caption, boxes and the editor's signature; nothing if none came.
QStringList openDialog(
    AccountBrowse &window, const QString &dialog, const std::function<void()> &command)
{
    QStringList shown;
    bool ran = false;
    ModalDriver::whenShown(
        dialog,
        [&](QWidget *opened) {
            shown = {dialog, window.basAU, opened->windowTitle()};
            for (const char *box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7",
                     "Text8", "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber",
                     "TextFaxNumber", "TextAddress1", "TextAddress2", "TextHandy"})
                if (QLineEdit *found = control(opened, box))
                    shown << found->text();
            if (dialog == u"AccountAdd")
                shown << Forms::sign().Text1()->toPlainText();
            opened->close();
        },
        &ran);
    command();
    if (!ran)
        ModalDriver::cancelPending();
    return shown;
}

// The gesture on the node with the key, chosen by a click first; see the rows.
void perform(AccountBrowse &window, const QString &verb, const QString &key, const QString &text)
{
    SSTree *tree = window.SSTree1();
    const auto editor = [tree] { return tree->viewport()->findChild<QLineEdit *>(); };
    QTimer menus; // up from the top of a node's menu wraps round to its last entry, the delete
    QObject::connect(&menus, &QTimer::timeout, [] {
        if (QWidget *menu = QApplication::activePopupWidget()) {
            QTest::keyClick(menu, Qt::Key_Up);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    menus.start(20);
    tree->activateWindow(); // as it is again once a dialog has closed
    tree->setFocus();
    if (verb == u"unchosen")
        tree->setCurrentItem(tree->node(key));
    else
        clickNode(tree, tree->node(key));
    QCoreApplication::processEvents();
    QVERIFY(!editor()); // the click that chooses a node does not edit its label
    if (verb == u"drag") {
        const bool open = tree->node(key)->isExpanded();
        dragNode(tree, tree->node(key), tree->node(text));
        QCOMPARE(tree->dropHighlight(), nullptr);
        QCOMPARE(tree->node(key)->isExpanded(), open);
    } else if (verb == u"scroll") { // on the top line up into the deepest node above, the last down

        const int line = tree->visualItemRect(tree->node("0")).height();
        tree->window()->resize(
            300, tree->window()->height() - tree->viewport()->height() + 9 * line / 2);
        QTRY_COMPARE(tree->visibleCount(), 4); // whole lines only
        tree->setTopNode(tree->node("5"));
        const QPoint pressed = centreOf(tree, tree->node(key));
        QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, pressed);
        moveWithLeftHeld(tree, pressed + QPoint(2, 0));
        QVERIFY(tree->viewport()->cursor().pixmap().width() > 30); // the node's picture and name
        for (const auto &[line, top] : {std::pair {1, "4"}, {1, "3"}, {4, "4"}, {4, "5"}}) {
            moveWithLeftHeld(tree, centreOf(tree, tree->nodeOnLine(line)));
            QCOMPARE(tree->topNode(), tree->node(top));
        }
        moveWithLeftHeld(tree, centreOf(tree, tree->node(text)));
        QCOMPARE(tree->dropHighlight(), tree->node(text));
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, {-20, -20});
    } else if (verb == u"press") {
        QTRY_COMPARE(QApplication::focusWidget(), tree);
        for (const QString &keys : text.split(' ', Qt::SkipEmptyParts)) {
            if (keys == keys.toLower())
                clickButton(window, keys);
            else
                QTest::keySequence(tree, QKeySequence(keys));
            QCoreApplication::processEvents();
        }
    } else if (verb == u"rightpress") {
        const QPoint at = centreOf(tree, tree->node(text));
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, at);
    } else {
        QGuiApplication::clipboard()->setText("clipped");
        QTest::keySequence(tree, QKeySequence::Copy);
        if (verb == u"click")
            clickNode(tree, tree->node(key));
        else
            QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(editor());
        editor()->selectAll();
        if (verb == u"paste") {
            QTest::keySequence(editor(), QKeySequence::Paste);
            QTest::keySequence(editor(), QKeySequence::Cut);
        }
        typeText(editor(), text);
        QTest::keyClick(editor(), verb == u"escape" ? Qt::Key_Escape : Qt::Key_Return);
        QTRY_VERIFY(!editor());
        QCOMPARE(QGuiApplication::clipboard()->text(), "clipped");
    }
    QCoreApplication::processEvents();
    QVERIFY(!editor()); // a drop is no click
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

} // namespace

class TestAccountBrowse : public QObject {
    Q_OBJECT

    std::optional<Recording> m_record;

private Q_SLOTS:
    // The view opens a label editor one double-click interval after a click
    // on the chosen node; with none, at the next pass of the event loop.
    void initTestCase() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(0); }

    void init() { m_record.emplace().tracing = false; }

    void cleanup()
    {
        closeWindows();
        m_record.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void theLoadShowsWhatCanBeShownWithAtMostOneMessage_data()
    {
        QTest::addColumn<QStringList>("sql"); // a bare "(...)" inserts those values
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opens");
        const auto row = [](const char *tag, const QStringList &sql, const QStringList &nodes,
                             const QString &message = {}, bool opens = true) {
            QTest::newRow(tag) << sql << nodes << message << opens;
        };
        const QString root = shown("0", "-", "ｱｶｳﾝﾄ", 'R'), rootOpen = root + " +";
        // Names that sort the other way from the keys, and names a careless load would change.
        row("depth first in key order",
            {"(1,0,'F','Zeta')", "(2,0,'A','Alpha')", "(3,1,'F','営業部のアカウント')",
                "(4,3,'A','O''Neill''s \"mail\"')", "(5,1,'A','  spaced  ')",
                "(6,0,'F','Aardvark')"},
            {rootOpen, shown("1", "0", "Zeta", 'F', true),
                shown("3", "1", "営業部のアカウント", 'F', true),
                shown("4", "3", "O'Neill's \"mail\"", 'A'), shown("5", "1", "  spaced  ", 'A'),
                shown("2", "0", "Alpha", 'A'), shown("6", "0", "Aardvark", 'F')});
        row("empty table", {}, {root});
        row("cannot be opened", {}, {root},
            "Operation is not allowed when the connection is closed: unable to open database file",
            false);
        // The level beneath a row of unknown KIND has no node to hang from.
        row("unknown kind",
            {"(1,0,'X','odd')", "(2,1,'F','lost 1')", "(3,1,'F','lost 2')", "(4,0,'F','kept')"},
            {rootOpen, shown("4", "0", "kept", 'F')}, "Element not found");
        row("orphan, and a folder under an account",
            {"(1,0,'A','holder')", "(2,1,'F','under an account')", "(3,9999,'F','orphan')"},
            {rootOpen, shown("1", "0", "holder", 'A', true),
                shown("2", "1", "under an account", 'F')});
        row("a row that names itself as parent",
            {"(0,0,'X','zero')", "(1,0,'F','F')", "(2,1,'A','A')"},
            {rootOpen, shown("1", "0", "F", 'F', true), shown("2", "1", "A", 'A')});
        // Keys held as text compare and sort as text, as the statements say.
        row("keys declared as text",
            {"DROP TABLE ACCOUNT",
                "CREATE TABLE ACCOUNT (ACCOUNT_NO TEXT, P_ACCOUNT_NO TEXT, KIND TEXT, NAME TEXT)",
                "(1,0,'F','one')", "(9,1,'A','nine')", "(10,1,'A','ten')", "(2,0,'F','two')"},
            {rootOpen, shown("1", "0", "one", 'F', true), shown("10", "1", "ten", 'A'),
                shown("9", "1", "nine", 'A'), shown("2", "0", "two", 'F')});
    }

    // The wait cursor is gone once the load is, and its message gets the normal pointer.
    void theLoadShowsWhatCanBeShownWithAtMostOneMessage()
    {
        QFETCH(QStringList, sql);
        QFETCH(QString, message);
        QFETCH(bool, opens);
        TestDatabase table;
        for (const QString &statement : sql)
            table.db().execute(statement.startsWith(u'(')
                    ? "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES" + statement
                    : statement);
        QStringList said;
        MessageBox::setAnswerer([&](const MessageBox::Request &asked) {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            said << asked.text + (cursor && cursor->shape() == Qt::ArrowCursor ? "" : " (busy)");
            return MessageBox::Answer::Ok;
        });
        QVERIFY(inAccountList(opens ? table.connectionString() : table.path() + ".missing",
            [](AccountBrowse &window) {
                SSTree *tree = window.SSTree1();
                QTEST(nodeLines(window), "nodes");
                int line = 0; // siblings show in the order they were loaded
                for (QTreeWidgetItemIterator it(tree); *it; ++it)
                    QCOMPARE(SSNode::cast(*it), tree->nodeAt(++line));
                QCOMPARE(tree->topNode(), tree->node("0"));
                QCOMPARE(window.atNode, tree->node("0"));
                QCOMPARE(tree->indentation(), 17); // 250 twips
                QVERIFY(tree->updatesEnabled());
                QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
                QCOMPARE(enabledButtons(window), QStringList {"close"});
            }));
        QCOMPARE(said, message.isEmpty() ? QStringList() : QStringList {message});
    }

    // Deeper than the view can lay out: the list shows the first levels and
    // says so once; deleting the top folder deletes the whole chain.
    void aChainOfAHundredThousandFoldersIsShownCutAndDeletedWhole()
    {
        TestDatabase table;
        table.db().execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) SELECT i, i - 1, 'F', i FROM n "
            "UNION ALL SELECT 100001, 0, 'A', 'outside'");
        QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            QCOMPARE(tree->nodeCount(), 10002); // the root, 10000 levels, the account outside
            clickNode(tree, tree->node("1"));
            clickButton(window, "delf");
            QCOMPARE(tree->nodeCount(), 2);
        }));
        QCOMPARE(m_record->messages(),
            (QStringList {
                "階層が深すぎるため、10000 階層より下のアカウントは表示されません。", question}));
        QCOMPARE(table.snapshot(), QStringList {"100001 0 A outside"});
    }

    // The tree fills the window below the toolbar, a screen reader tells the two "追加" buttons
    // apart, and closing unloads the dialogs and closes the connection.
    void theWindowFollowsItsSizeNamesItsButtonsAndLetsGoWhenClosed()
    {
        TestDatabase table;
        QVERIFY(inAccountList(table.connectionString(), [](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            tree->window()->resize(900, 700);
            QCOMPARE(tree->geometry(), QRect(0, 40, 900, 660));
            tree->window()->resize(400, 20); // lower than the toolbar: the width only
            QCOMPARE(tree->geometry(), QRect(0, 40, 400, 660));
            auto *toolbar = tree->window()->findChild<QToolBar *>("Toolbar1");
            QCOMPARE(toolbar->widgetForAction(window.button("addf"))->accessibleName(),
                "フォルダを追加");
            QCOMPARE(toolbar->widgetForAction(window.button("add"))->accessibleName(),
                "アカウントを追加");
            Forms::sign().widget(); // the signature dialog was used: loaded, though hidden
            QVERIFY(window.basTable->isOpen());
            clickButton(window, "close");
            QVERIFY(!window.isLoaded());
            QVERIFY(!Forms::sign().isLoaded());
            QVERIFY(!window.basTable->isOpen());
        }));
    }

    void anAccountAnotherProgramDeletedIsReportedInsteadOfEdited()
    {
        TestDatabase table;
        addTree(table);
        QVERIFY(inAccountList(table.connectionString(), [&](AccountBrowse &window) {
            table.db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 7");
            QCOMPARE(
                openDialog(window, "AccountAdd", [&] { perform(window, "press", "7", "update"); }),
                QStringList());
        }));
        QCOMPARE(m_record->messages(), QStringList {"このアカウントはすでに削除されています。"});
    }

    // "<verb> <key> <argument>" on the node with the key, chosen by a click first: "drag" or
    // "rightpress" on the argument's node; "rename" (F2), "click" (a second click), "escape",
    // "unchosen" (only made current) and "paste" (after the cut, copy and paste keys) type the
    // argument as the label; "press" keys or toolbar buttons. Before it, "refused" makes the
    // table refuse the write, "cancelled" answers Cancel, "gone" deletes the row as another
    // program would, "after <key>" first opens that account's editor, which must leave nothing.
    void aGestureRunsItsCommandWithItsOwnStatementsOnly_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QStringList>("changed"); // rows as they read afterwards; a key, if gone
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("dialog"); // as openDialog tells it
        QTest::addColumn<QStringList>("offered"); // the buttons on afterwards, if given
        const auto row = [](const char *tag, const char *gesture, const QStringList &statements,
                             const QStringList &changed = {}, const QStringList &messages = {},
                             const QStringList &dialog = {}, const QStringList &offered = {}) {
            for (const Engine engine : TestDatabase::engines()) // a server only for what writes
                if (engine == Engine::SQLite || !statements.isEmpty())
                    QTest::addRow("%s, %s", tag, TestDatabase::tag(engine))
                        << int(engine) << QString(gesture) << statements << changed << messages
                        << dialog << offered;
        };
        const QString read = "select * from ACCOUNT where ACCOUNT_no= %1";
        const QString move = "UPDATE ACCOUNT SET P_ACCOUNT_NO = %1 WHERE ACCOUNT_NO = %2";
        const QString rename = "UPDATE ACCOUNT SET NAME='%1' WHERE ACCOUNT_NO=%2";
        const QString del = "Delete from ACCOUNT where ACCOUNT_no= %1";
        const QString below = "select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= %1";
        const QString refusedMove = "この場所への移動はできません";
        const QStringList deleted7 = {del.arg(7)}, none = {"close"};
        const QStringList account = {"update", "copy", "del", "close"};
        row("an account chosen", "press 2", {}, {}, {}, {}, account);
        row("a folder, Down to an account, Home to the root", "press 1 Down Home", {}, {}, {}, {},
            {"addf", "add", "close"});
        row("an account, Up to a folder", "press 7 Up", {}, {}, {}, {},
            {"addf", "updatef", "delf", "add", "close"});
        row("account onto a folder", "drag 7 10", {read.arg(10), move.arg(10).arg(7)},
            {"7 10 A mail"});
        row("folder onto the root, its subtree along", "drag 3 0", {move.arg(0).arg(3)},
            {"3 0 F B"});
        row("account onto an account", "drag 7 9", {});
        row("folder onto itself", "drag 6 6", {});
        row("folder onto a folder of its name", "drag 6 8", {});
        row("the root onto a folder", "drag 0 6", {});
        row("account held over the edge lines, then released outside", "scroll 7 6", {});
        row("folder into its own grandchild", "drag 1 4", {}, {}, {refusedMove});
        row("folder below a namesake of itself", "drag 5 3", {}, {}, {refusedMove});
        row("the table refuses the move", "refused drag 7 10", {read.arg(10), move.arg(10).arg(7)},
            {}, {"refused"});
        row("folder renamed in Japanese", "rename 6 営業", {rename.arg("営業").arg(6)},
            {"6 0 F 営業"});
        row("account renamed on a second click", "click 7 Vic's box",
            {rename.arg("Vic''s box").arg(7)}, {"7 6 A Vic's box"});
        row("cut, copy and paste do nothing", "paste 9", {rename.arg("other").arg(9)});
        row("the root, for this showing only", "rename 0 All", {rename.arg("All").arg(0)});
        row("rename abandoned with Escape", "escape 6 changed", {});
        row("rename of a node not chosen", "unchosen 6 x", {});
        row("the table refuses the rename", "refused rename 7 Sales", {rename.arg("Sales").arg(7)},
            {}, {"refused"});
        row("rename of an account another program deleted", "gone rename 7 Sales",
            QStringList {"DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 7", rename.arg("Sales").arg(7)}
                + loadOfTree(7),
            {"7"}, {"このアカウントはすでに削除されています。"});
        row("Down from the root, then Delete: the folder's subtree, deepest first",
            "press 0 Down Del",
            {del.arg(1), below.arg(1), below.arg(2), del.arg(2), below.arg(3), below.arg(4),
                del.arg(4), del.arg(3), del.arg(1)},
            {"1", "2", "3", "4"}, {question}, {}, none);
        row("Delete on the root", "press 0 Del", {});
        row("account from the toolbar", "press 7 del", deleted7, {"7"}, {question}, {}, none);
        row("delete cancelled", "cancelled press 7 del", {}, {}, {question}, {}, account);
        row("the table refuses the delete", "refused press 7 del", deleted7 + loadOfTree(), {},
            {question, "refused"});
        row("account's menu on a right press", "rightpress 1 7", deleted7, {"7"}, {question});
        row("account's menu from the menu key", "press 7 Menu", deleted7, {"7"}, {question});
        row("account's menu from Shift+F10", "press 7 Shift+F10", deleted7, {"7"}, {question});
        row("add folder by Shift+Insert", "press 1 Shift+Ins", {}, {}, {},
            {"FolderAdd", "1", "アカウントフォルダの追加", ""});
        row("rename folder", "press 10 updatef", {}, {}, {},
            {"FolderAdd", "2", "アカウントフォルダの修正", "Its empty"});
        row("add account by Insert", "after 7 press 0 Ins", {read.arg(7)}, {}, {},
            {"AccountAdd", "5", "アカウント追加", "", "", "", "", "25", "", "110", "", "", "", "",
                "", "", "", "", "", ""});
        row("modify account by Enter", "after 9 press 7 Return", {read.arg(9), read.arg(7)}, {}, {},
            {"AccountAdd", "6", "アカウント修正", "mail", "Ann", "ann@x", "smtp.x", "587", "pop.x",
                "995", "ann", "s3cret pw", "Co", "Sec", "01", "02", "A1", "A2", "090",
                "Regards,\nAnn"});
        // An empty or null field leaves its box as a fresh editor has it.
        row("copy account by Ctrl+D", "after 7 press 9 Ctrl+D", {read.arg(7), read.arg(9)}, {}, {},
            {"AccountAdd", "9", "アカウント複写", "other", "", "b@x", "smtp.x", "587", "pop.x", "",
                "b", "s3cret pw", "", "Sec", "01", "02", "A1", "A2", "090", ""});
    }

    void aGestureRunsItsCommandWithItsOwnStatementsOnly()
    {
        QFETCH(int, engine);
        QFETCH(QString, gesture);
        QFETCH(QStringList, statements);
        QFETCH(QStringList, changed);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, dialog);
        QFETCH(QStringList, offered);
        const auto table = tableOn(Engine(engine));
        if (!table)
            QSKIP(noServer);
        addTree(*table);
        const auto parts
            = QRegularExpression("^(refused |cancelled |gone |after (\\d+) )?(\\w+) (\\d+) ?(.*)$")
                  .match(gesture);
        const QString mode = parts.captured(1).section(' ', 0, 0), verb = parts.captured(3),
                      key = parts.captured(4);
        if (mode == u"refused")
            refuseWrites(*table, verb == u"press" ? "DELETE" : "UPDATE");
        QStringList expected = table->snapshot();
        for (const QString &row : changed)
            for (QString &line : expected)
                if (line.section(' ', 0, 0) == row.section(' ', 0, 0))
                    line = row;
        expected.removeIf([](const QString &line) { return !line.contains(' '); });
        m_record->answer
            = mode == u"cancelled" ? MessageBox::Answer::Cancel : MessageBox::Answer::Ok;
        m_record->tracing = true;
        QVERIFY(inAccountList(table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            if (mode == u"gone")
                table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = " + key);
            if (mode == u"after")
                openDialog(window, "AccountAdd",
                    [&] { perform(window, "press", parts.captured(2), "update"); });
            QCOMPARE(openDialog(window, dialog.value(0, "AccountAdd"),
                         [&] { perform(window, verb, key, parts.captured(5)); }),
                dialog);
            m_record->tracing = false;
            if (!offered.isEmpty())
                QCOMPARE(enabledButtons(window), offered);
            // The tree shows what is stored, each node in its place.
            QCOMPARE(tree->nodeCount(), expected.size() + 1);
            for (const QString &row : expected) {
                const SSNode *node = tree->findNode(row.section(' ', 0, 0));
                QVERIFY2(node && node->parentNode()->key() == row.section(' ', 1, 1)
                        && node->text() == row.section(' ', 3),
                    qPrintable(row));
            }
            // Nothing keeps the host's mail client from writing meanwhile.
            if (!table->path().isEmpty())
                QCOMPARE(table->writeWithoutWaiting("CREATE TABLE host_side(x)"), QString());
        }));
        QCOMPARE(m_record->statements, loadOfTree() + statements);
        QStringList said = m_record->messages();
        said.replaceInStrings(QRegularExpression("(?s).*refused.*"), "refused");
        QCOMPARE(said, messages);
        for (const MessageBox::Request &asked : m_record->asked)
            QCOMPARE(asked.buttons == MessageBox::Buttons::OkCancel, asked.text == question);
        QCOMPARE(table->snapshot(), expected);
    }
};

QTEST_MAIN(TestAccountBrowse)
#include "tst_accountbrowse.moc"
