// Every toolbar command from the keyboard and from a node's menu, the names
// a screen reader speaks, and the wait cursor, with the table checked after.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/FormDialog.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>

using namespace DialogTest;

namespace {

const QStringList menuCaptions = {"追加", "修正", "削除", "追加", "修正", "複写", "削除"};

// The menu's entries, each with "off" where it is switched off.
QStringList entries(const QMenu *menu)
{
    QStringList shown;
    for (const QAction *action : menu->actions())
        if (!action->isSeparator())
            shown << action->text() + (action->isEnabled() ? "" : " off");
    return shown;
}

QStringList withOff(const QList<bool> &on)
{
    QStringList shown;
    for (qsizetype i = 0; i < menuCaptions.size(); ++i)
        shown << menuCaptions[i] + (on[i] ? "" : " off");
    return shown;
}

QString accessibleText(QObject *object, QAccessible::Text what = QAccessible::Name)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(what) : QString();
}

} // namespace

class TestKeysAndMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    QHash<QString, QString> m_keys; // by the node's kind

private Q_SLOTS:
    // Folder (with an account in it) and an account, under the root.
    void init()
    {
        m_table = std::make_unique<TestDatabase>();
        m_keys = {{"root", "0"}, {"folder", m_table->addFolder("0", "Folder")}};
        m_table->addAccount(m_keys["folder"], "Inner");
        m_keys["account"] = m_table->addAccount("0", "Mail");
        m_record = std::make_unique<Recording>();
        m_record->tracing = false;
    }
    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void aKeyOfTheTreeRunsTheChosenNodesCommand_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QKeySequence>("keys");
        // The dialog the key opens, by its caption, or the row it deletes.
        QTest::addColumn<QString>("opens");
        QTest::addColumn<QString>("deletes");
        const auto row = [](const char *tag, const char *node, const char *keys,
                             const char *opens = "", const char *deletes = "") {
            QTest::newRow(tag) << node << QKeySequence(keys) << opens << deletes;
        };
        row("Delete on a folder", "folder", "Del", "", "folder");
        row("Delete on an account", "account", "Del", "", "account");
        row("Enter on an account", "account", "Return", "アカウント修正");
        row("Insert on the root", "root", "Ins", "アカウント追加");
        row("Shift+Insert on a folder", "folder", "Shift+Ins", "アカウントフォルダの追加");
        row("Ctrl+D on an account", "account", "Ctrl+D", "アカウント複写");
        // Switched off for the chosen node: nothing happens.
        row("Delete on the root", "root", "Del");
        row("Enter on a folder", "folder", "Return");
        row("Insert on an account", "account", "Ins");
        row("Ctrl+D on a folder", "folder", "Ctrl+D");
    }

    void aKeyOfTheTreeRunsTheChosenNodesCommand()
    {
        QFETCH(QString, node);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, opens);
        QFETCH(QString, deletes);
        QStringList expected = m_table->snapshot();
        if (!deletes.isEmpty())
            expected.removeIf([&](const QString &row) {
                return row.startsWith(m_keys[deletes] + " ")
                    || row.section(' ', 1, 1) == m_keys[deletes];
            });
        QString caption;
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node(m_keys[node]));
            tree->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), tree);
            bool ran = false;
            if (!opens.isEmpty())
                ModalDriver::whenShown(
                    opens.contains(u"フォルダ") ? "FolderAdd" : "AccountAdd",
                    [&](QWidget *dialog) {
                        caption = dialog->windowTitle();
                        dialog->close();
                    },
                    &ran);
            QTest::keySequence(tree, keys);
            QCoreApplication::processEvents();
            QCOMPARE(ran, !opens.isEmpty());
        }));
        QCOMPARE(caption, opens);
        QCOMPARE(m_record->asked.size(), deletes.isEmpty() ? 0 : 1);
        QCOMPARE(m_table->snapshot(), expected);
    }

    void aNodesMenuOffersTheToolbarsCommands_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("shown");
        const QStringList account = withOff({false, false, false, false, true, true, true});
        QTest::newRow("right press on the root")
            << "root"
            << "mouse" << withOff({true, false, false, true, false, false, false});
        QTest::newRow("right press on a folder")
            << "folder"
            << "mouse" << withOff({true, true, true, true, false, false, false});
        QTest::newRow("right press on an account") << "account"
                                                   << "mouse" << account;
        QTest::newRow("menu key") << "account"
                                  << "Menu" << account;
        QTest::newRow("Shift+F10") << "account"
                                   << "Shift+F10" << account;
        QTest::newRow("right press on empty space") << ""
                                                    << "mouse" << QStringList();
    }

    // The account's menu runs its delete, as the toolbar would.
    void aNodesMenuOffersTheToolbarsCommands()
    {
        QFETCH(QString, node);
        QFETCH(QString, how);
        QFETCH(QStringList, shown);
        QStringList expected = m_table->snapshot();
        if (node == u"account")
            expected.removeIf([&](const QString &row) { return row.startsWith(m_keys[node]); });
        QStringList seen;
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            // Looks at the menu from inside its loop, and goes with this scope.
            QTimer inspect;
            inspect.setSingleShot(true);
            QObject::connect(&inspect, &QTimer::timeout, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                seen = entries(menu);
                if (node != u"account") {
                    menu->close();
                    return;
                }
                // Up from the top wraps round to the last entry, the delete.
                QTest::keyClick(menu, Qt::Key_Up);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            inspect.start(100);
            const QPoint at = node.isEmpty() ? QPoint(5, tree->viewport()->height() - 5)
                                             : centreOf(tree, tree->node(m_keys[node]));
            if (how == u"mouse") {
                QTest::mousePress(tree->viewport(), Qt::RightButton, {}, at);
                QContextMenuEvent event(
                    QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
                QApplication::sendEvent(tree->viewport(), &event);
                QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, at);
            } else {
                clickNode(tree, tree->node(m_keys[node]));
                tree->setFocus();
                QTRY_COMPARE(QApplication::focusWidget(), tree);
                QTest::keySequence(tree, QKeySequence(how));
                QCoreApplication::processEvents();
            }
            QTRY_VERIFY(!QApplication::activePopupWidget());
            if (!node.isEmpty())
                QCOMPARE(window.basNodeKey, m_keys[node]);
        }));
        QCOMPARE(seen, shown);
        QCOMPARE(m_table->snapshot(), expected);
    }

    // Each box is named by its label, the two "追加" buttons and the other
    // pairs apart, and a node says whether it is a folder or an account.
    void everyControlHasANameAScreenReaderSpeaks()
    {
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            QCOMPARE(accessibleText(tree), QStringLiteral("アカウント一覧"));
            QSet<QString> buttons;
            auto *toolbar = tree->window()->findChild<QToolBar *>("Toolbar1");
            for (QAction *action : toolbar->actions())
                if (!action->isSeparator())
                    buttons << accessibleText(toolbar->widgetForAction(action));
            QCOMPARE(buttons.size(), 8);
            QVERIFY(!buttons.contains(QString()));
            QAccessibleTableInterface *table
                = QAccessible::queryAccessibleInterface(tree)->tableInterface();
            QStringList nodes;
            for (int row = 0; row < table->rowCount(); ++row)
                nodes << table->cellAt(row, 0)->text(QAccessible::Name) + " "
                        + table->cellAt(row, 0)->text(QAccessible::Description);
            QCOMPARE(nodes,
                (QStringList {
                    "ｱｶｳﾝﾄ ルート", "Folder フォルダ", "Inner アカウント", "Mail アカウント"}));
        }));
        for (Form *form : std::initializer_list<Form *> {
                 &Forms::accountAdd(), &Forms::folderAdd(), &Forms::sign()}) {
            QWidget *dialog = form->widget();
            for (auto *label : dialog->findChildren<QLabel *>())
                QCOMPARE(accessibleText(label->buddy()), label->text());
            for (QWidget *control : dialog->findChildren<QWidget *>())
                if (control->focusPolicy() != Qt::NoFocus && !control->isWindow())
                    QVERIFY2(!accessibleText(control).isEmpty(), qPrintable(control->objectName()));
            form->unload();
        }
    }

    // Over a load that fails, its message gets the normal pointer, and the
    // wait cursor is gone once the load is.
    void theWaitCursorIsGoneHoweverTheLoadEnds()
    {
        QList<Qt::CursorShape> underMessages;
        MessageBox::setAnswerer([&](const MessageBox::Request &) {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            underMessages << (cursor ? cursor->shape() : Qt::BlankCursor);
            return MessageBox::Answer::Ok;
        });
        for (const QString &connStr : {m_table->path() + ".missing", m_table->connectionString()})
            QVERIFY(inAccountList(connStr,
                [](AccountBrowse &) { QCOMPARE(QGuiApplication::overrideCursor(), nullptr); }));
        QCOMPARE(underMessages, QList {Qt::ArrowCursor});
    }
};

QTEST_MAIN(TestKeysAndMenu)
#include "tst_keysandmenu.moc"
