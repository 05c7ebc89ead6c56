// Undo and redo of every change in the account list: the table, every column
// as stored, and the tree as they were, on every engine; a step another
// program made impossible is refused with nothing written; the keys, the
// node's menu and the notice at the window's foot.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/AccountHistory.h"
#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/AccountFile.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/StoredValue.h"

#include <QAccessible>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QTimer>

using namespace DialogTest;
using Change = std::function<void(AccountList &, SSTree &)>;
Q_DECLARE_METATYPE(Change)

namespace {

// What the editor hands over, in the statements' order: every box filled.
const AccountStatements::AccountValues edited = [] {
    AccountStatements::AccountValues values;
    for (const QString &column : accountColumns().mid(2))
        if (column != "HTML_SIG")
            values.emplace_back(column, column.endsWith("PORT") ? "25" : "O'Neill\r\n" + column);
    return values;
}();

// A value as a statement would write it, NULL apart from empty; a long one
// by its length and a hash, so that a failure stays readable.
QString shown(const QVariant &value)
{
    const QString literal = sqlLiteral(value);
    return literal.size() < 80 ? literal
                               : QString("%1 #%2").arg(literal.size()).arg(qHash(literal));
}

Change deleting(AccountList::Deletion deletion)
{
    return [deletion](AccountList &list, SSTree &) { list.deleteChosen(deletion); };
}

Change listDoes(const std::function<void(AccountList &)> &change)
{
    return [change](AccountList &list, SSTree &) { change(list); };
}

// Folder 1's subtree, passwords and all, through the file's text, into folder 6.
Change importing()
{
    return [](AccountList &list, SSTree &) {
        list.importUnder(
            "6", AccountFile::fromJson(AccountFile::toJson(list.exportFrom("1").rows, true)));
    };
}

Change moving(const char *dragged, const char *target)
{
    return
        [=](AccountList &list, SSTree &tree) { list.move(tree.node(dragged), tree.node(target)); };
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;

    // The window's own list, loaded without showing it.
    static AccountList &accounts() { return Forms::accountBrowse().list(); }
    static SSTree &shownTree() { return *Forms::accountBrowse().SSTree1(); }
    static AccountHistory &history() { return accounts().history(); }
    static void choose(const QString &key)
    {
        shownTree().setSelectedNode(shownTree().node(key));
        accounts().choose(key);
    }
    static void run(const Change &change) { change(accounts(), shownTree()); }
    QStringList ran() { return std::exchange(m_record->statements, {}); }

    // Every row, every column as the engine stores it.
    QList<QStringList> table()
    {
        QList<QStringList> rows;
        const auto rs = m_table->db().execute("select * from ACCOUNT order by ACCOUNT_NO");
        for (; !rs->isEOF(); rs->moveNext()) {
            rows.append(QStringList());
            for (int i = 0; i < rs->fieldCount(); ++i)
                rows.back() << shown(rs->storedValue(i));
        }
        return rows;
    }

    // The nodes in the order shown, each with its look.
    QStringList tree() const
    {
        QStringList lines;
        const std::function<void(const SSNode *)> visit = [&](const SSNode *node) {
            lines << QString("%1<%2 %3 %4/%5 %6 %7 [%8]%9")
                         .arg(node->key(), node->parentNode() ? node->parentNode()->key() : "-",
                             shown(node->text()), node->image(), node->expandedImage(),
                             node->foreColor().name())
                         .arg(node->font().pointSizeF())
                         .arg(node->markerText(), node->expanded() ? " +" : "");
            for (const SSNode *child = node->firstChild(); child; child = child->nextSibling())
                visit(child);
        };
        visit(shownTree().node("0"));
        return lines;
    }

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }

    // Besides the sample: a folder with a NULL name, in it an account with a
    // megabyte of name, and on SQLite one whose texts are not UTF-8 and whose
    // mobile number is bytes (SQLite's ODBC driver reads those as text).
    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        addSampleTree(*m_table);
        Connection &db = m_table->db();
        db.execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND) VALUES(1,'F')");
        db.execute(BoundStatement {"INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,TEXT_SIG,PSWD) "
                                   "VALUES(7,'A',?,?,NULL)",
            {QString(1 << 20, 'n'), "It's\r\n\t営業 📧"}});
        if (Engine(engine) == Engine::SQLite)
            db.execute(BoundStatement {"INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,HANDY) "
                                       "VALUES(7,'A',?,?)",
                {QVariant::fromValue(RawText {"caf\xe9"}), QByteArray("\0\xff", 2)}});
        m_record = std::make_unique<Recording>();
        Forms::accountBrowse().load(m_table->connectionString());
        ran();
    }

    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
    }

    void everyKindGoesBackToWhatWasStoredAndComesAgain_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<Change>("change");
        const auto row = [](const char *tag, const char *chosen, const Change &change) {
            QTest::newRow(tag) << QString(chosen) << change;
        };
        row("add folder", "3", listDoes([](AccountList &list) { list.addFolder("New"); }));
        row("add account", "6", listDoes([](AccountList &list) { list.addAccount(edited); }));
        row("copy", "4", listDoes([](AccountList &list) { list.copyAccount(edited); }));
        row("modify", "2", listDoes([](AccountList &list) { list.updateAccount(edited); }));
        row("rename folder", "3", listDoes([](AccountList &list) { list.renameFolder("Sales"); }));
        // The tree keeps the label once the handler has stored it.
        row("label of a NULL name", "7", [](AccountList &list, SSTree &tree) {
            list.renameLabel("Named");
            tree.node("7")->setText("Named");
        });
        row("move", "3", moving("3", "6"));
        row("delete account", "8", deleting(AccountList::Deletion::RowOnly));
        row("delete folder", "1", deleting(AccountList::Deletion::WithSubtree));
        row("import", "6", importing());
    }

    void everyKindGoesBackToWhatWasStoredAndComesAgain()
    {
        QFETCH(QString, chosen);
        QFETCH(Change, change);
        choose(chosen);
        const QList<QStringList> before = table();
        const QStringList shownBefore = tree();
        run(change);
        const QList<QStringList> after = table();
        const QStringList shownAfter = tree();
        QVERIFY(after != before);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(history().undo());
            QCOMPARE(table(), before);
            QCOMPARE(tree(), shownBefore);
            QVERIFY(history().redo());
            QCOMPARE(table(), after);
            QCOMPARE(tree(), shownAfter);
        }
        QVERIFY(!history().redo());
        QCOMPARE(m_record->messages(), QStringList());
    }

    // "%1" in what the other program runs is the key of the row the change
    // added.
    void aStepAnotherProgramMadeImpossibleIsRefusedAndLeaves_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("redo"); // undone first, then redone
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("why");
        const Change addFolder = listDoes([](AccountList &list) { list.addFolder("New"); });
        const auto row = [](const char *tag, const char *chosen, const Change &change, bool redo,
                             const char *other, const char *why) {
            QTest::newRow(tag) << QString(chosen) << change << redo << QString(other)
                               << QString::fromUtf8(why);
        };
        row("undo delete: key taken", "2", deleting(AccountList::Deletion::RowOnly), false,
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(2,0,'A','x')",
            "番号 2 は、ほかのプログラムが追加した行に使われています。");
        row("undo delete: folder gone", "4", deleting(AccountList::Deletion::RowOnly), false,
            "DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 3",
            "フォルダ「営業部」は、ほかのプログラムによって削除されています。");
        row("undo add: row changed", "6", addFolder, false,
            "UPDATE ACCOUNT SET NAME = 'x' WHERE ACCOUNT_NO = %1",
            "「New」は、ほかのプログラムによって変更されています。");
        row("undo add: a row put beneath", "6", addFolder, false,
            "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(%1,'A','x')",
            "「New」の下に、ほかのプログラムが行を追加しています。");
        row("undo modify: row gone", "5",
            listDoes([](AccountList &list) { list.updateAccount(edited); }), false,
            "DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 5", "」は、ほかのプログラムによって削除");
        row("redo delete: a row beneath changed", "1", deleting(AccountList::Deletion::WithSubtree),
            true, "UPDATE ACCOUNT SET NAME = 'x' WHERE ACCOUNT_NO = 4",
            "「Zeta」かその下の行が、ほかのプログラムによって変更されています。");
        row("undo import: a row beneath changed", "6", importing(), false,
            "UPDATE ACCOUNT SET NAME = 'x' WHERE NAME = 'Beta' AND ACCOUNT_NO > 9",
            "「Zeta」かその下の行が、ほかのプログラムによって変更されています。");
        row("redo import: key taken", "6", importing(), true,
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME) VALUES(12,0,'A','x')",
            "番号 12 は、ほかのプログラムが追加した行に使われています。");
        row("redo move: new folder gone", "5", moving("5", "6"), true,
            "DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 6",
            "フォルダ「Zeta」は、ほかのプログラムによって削除されています。");
    }

    void aStepAnotherProgramMadeImpossibleIsRefusedAndLeaves()
    {
        QFETCH(QString, chosen);
        QFETCH(Change, change);
        QFETCH(bool, redo);
        QFETCH(QString, other);
        choose(chosen);
        run(change);
        const SSNode *newest = accounts().newestNode();
        const QString added = newest ? newest->key() : QString();
        QVERIFY(!redo || history().undo());
        m_table->db().execute(other.replace("%1", added));
        const QList<QStringList> left = table();
        const int steps = history().stack().count();
        ran();
        QVERIFY(!(redo ? history().redo() : history().undo()));
        QCOMPARE(ran().last(), "ROLLBACK");
        QCOMPARE(table(), left);
        QCOMPARE(history().stack().count(), steps - 1);
        QCOMPARE(m_record->messages().size(), 1);
        const QString told = m_record->messages().front();
        QFETCH(QString, why);
        QVERIFY2(told.startsWith(redo ? "やり直せません: " : "元に戻せません: ")
                && told.contains(why) && told.endsWith("この操作は履歴から外しました。"),
            qPrintable(told));
    }

    // Refused by the table: nothing written, told with the engine's words,
    // and the step stays to be tried again.
    void aStepTheDatabaseRefusesStaysToBeTriedAgain()
    {
        const QList<QStringList> before = table();
        choose("2");
        accounts().deleteChosen(AccountList::Deletion::RowOnly);
        const QList<QStringList> after = table();
        refuseWrites(*m_table, "INSERT");
        QVERIFY(!history().undo());
        QCOMPARE(table(), after);
        QCOMPARE(m_record->asked.size(), 1);
        QCOMPARE(m_record->asked[0].icon, MessageBox::Icon::Critical);
        QVERIFY(m_record->asked[0].text.contains("refused"));
        QCOMPARE(history().stack().index(), 1);
        m_table->db().execute(m_table->db().driverName() == "QPSQL"
                ? "DROP TRIGGER tx_refuse ON ACCOUNT"
                : "DROP TRIGGER tx_refuse");
        QVERIFY(history().undo());
        QCOMPARE(table(), before);
    }

    // The delete goes deepest first: 営業部's rows go, Beta's is refused.
    void aDeleteThatStoppedPartWayTakesBackWhatItDeleted()
    {
        const QList<QStringList> before = table();
        refuseWrites(*m_table, "DELETE", "Beta");
        choose("1");
        QVERIFY_THROWS_EXCEPTION(
            DbError, accounts().deleteChosen(AccountList::Deletion::WithSubtree));
        QCOMPARE(history().stack().undoText(), "フォルダ「Zeta」の削除");
        QVERIFY(history().undo());
        QCOMPARE(table(), before);
    }

    // Bound, the values shown filled in; the log hides the password.
    void anUndoRunsStatementsOfTheProgramsOwn()
    {
        QFETCH_GLOBAL(int, engine);
        if (Engine(engine) != Engine::SQLite)
            QSKIP("The texts are the same on every engine: one is enough");
        choose("2");
        accounts().deleteChosen(AccountList::Deletion::RowOnly);
        ran();
        static QStringList logged;
        QLoggingCategory::setFilterRules("tx_account.sql.debug=true");
        const auto handler = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { logged << text; });
        QVERIFY(history().undo());
        qInstallMessageHandler(handler);
        QLoggingCategory::setFilterRules("tx_account.sql.debug=false");
        const QString insert = "INSERT INTO ACCOUNT(ACCOUNT_NO," + accountColumns().join(',')
            + ") VALUES(2,0,'A','Alpha','','alpha@x','smtp.x','587','pop.x','995','alpha',%1,"
              "'Regards','<b>html</b>',NULL,'Sec','01','02','A1','A2','090')";
        QCOMPARE(ran(),
            (QStringList {"BEGIN IMMEDIATE", "SELECT ACCOUNT_NO FROM ACCOUNT WHERE ACCOUNT_NO = 2",
                insert.arg("'s3cret'"), "COMMIT"}));
        QCOMPARE(logged.filter("INSERT"), QStringList {insert.arg("'********'")});
    }

    // With the tree focused, as a person works: Delete, the notice (which
    // takes no focus), Ctrl+Z, Ctrl+Y, the notice's link, Ctrl+Shift+Z, the
    // node's menu; the notice goes at the next change.
    void theKeysTheMenuAndTheNoticeTakeTheSteps()
    {
        QFETCH_GLOBAL(int, engine);
        if (Engine(engine) != Engine::SQLite)
            QSKIP("The window's gestures: one engine is enough");
        const QList<QStringList> before = table();
        Forms::accountBrowse().unload();
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            auto *notice = tree->window()->findChild<QWidget *>("Notice");
            auto *link = notice->findChild<QLabel *>("NoticeLink");
            const auto said = [&] {
                return notice->isVisible()
                    ? notice->findChild<QLabel *>("NoticeText")->text() + " | " + link->text()
                    : QString();
            };
            const auto press = [&](const char *keys) {
                QTest::keySequence(tree, QKeySequence(keys));
                QCoreApplication::processEvents();
            };
            tree->activateWindow();
            tree->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), tree);
            clickNode(tree, tree->node("1"));
            QCOMPARE(
                menuEnd(tree), (QStringList {"元に戻す off 元に戻す", "やり直す off やり直す"}));
            press("Del");
            QVERIFY(!tree->findNode("1"));
            QCOMPARE(said(), "「Zeta」と 6 件を削除しました | <a href=\"#\">元に戻す</a>");
            QCOMPARE(QApplication::focusWidget(), tree);
            clickNode(tree, tree->node("0"));
            const QString step = "元に戻す: フォルダ「Zeta」の削除";
            QCOMPARE(menuEnd(tree), (QStringList {step + " on " + step, "やり直す off やり直す"}));
            press("Ctrl+Z");
            QCOMPARE(table(), before);
            QCOMPARE(tree->selectedNode(), tree->node("1"));
            QCOMPARE(
                enabledButtons(window), (QStringList {"addf", "updatef", "delf", "add", "close"}));
            QCOMPARE(said(), "元に戻しました: フォルダ「Zeta」の削除 | <a href=\"#\">やり直す</a>");
            press("Ctrl+Y");
            QVERIFY(!tree->findNode("1"));
            QCOMPARE(enabledButtons(window), QStringList {"close"});
            QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
            QVERIFY(tree->findNode("1"));
            QCOMPARE(QApplication::focusWidget(), tree);
            press("Ctrl+Shift+Z");
            QVERIFY(!tree->findNode("1"));
            press("Ctrl+Shift+Z");
            dragNode(tree, tree->node("2"), tree->node("6"));
            QCOMPARE(said(), "");
        }));
        QCOMPARE(m_record->messages(), QStringList {"削除してもよろしいですか。"});
    }

private:
    // The last two entries of the chosen node's menu: text, on or off, and
    // what a screen reader says of each.
    static QStringList menuEnd(SSTree *tree)
    {
        QStringList entries;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAccessibleInterface *read = QAccessible::queryAccessibleInterface(menu);
            const QList<QAction *> actions = menu->actions();
            for (int i = int(actions.size()) - 2; i < actions.size(); ++i)
                entries << actions[i]->text() + (actions[i]->isEnabled() ? " on " : " off ")
                        + read->child(i)->text(QAccessible::Name);
            menu->close();
        });
        poll.start(10);
        QTest::keySequence(tree, QKeySequence(Qt::Key_Menu));
        [&] { QTRY_VERIFY(!entries.isEmpty()); }();
        return entries;
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
