// Whatever people paste and whatever other programs or the database do, the
// account list loses nothing.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "store/Schema.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QRegularExpression>

using namespace DialogTest;
using Icon = MessageBox::Icon;
using Gesture = std::function<void(AccountBrowse &, SSNode *gone, SSNode *other)>;
Q_DECLARE_METATYPE(Gesture)

namespace {

// Renames the chosen node in place: F2, the text entered, Return.
void editLabel(SSTree *tree, const std::function<void(QLineEdit *)> &enter)
{
    QTest::keyClick(tree, Qt::Key_F2);
    QLineEdit *label = nullptr;
    QTRY_VERIFY((label = tree->viewport()->findChild<QLineEdit *>()));
    enter(label);
    QTest::keyClick(label, Qt::Key_Return);
    QTRY_VERIFY(!tree->viewport()->findChild<QLineEdit *>());
}

// OK in the command's dialog with every box typed, which leaves it open as typed.
Gesture okIn(const char *command)
{
    return [command](AccountBrowse &window, SSNode *gone, SSNode *) {
        QVERIFY(inDialogOf(window, gone->key(), command, [](QWidget *dialog) {
            for (QLineEdit *box : dialog->findChildren<QLineEdit *>())
                retype(box, "7");
            click(dialog, dialog->objectName() == u"FolderAdd" ? "Command2" : "Command1");
            QVERIFY(dialog->isVisible() && control(dialog, "Text1")->text() == u"7");
        }));
    };
}

// What a box with that length limit keeps of a pasted text: never half a character.
QString firstUnits(const QString &text, int limit)
{
    const QString kept = text.left(limit);
    return kept.size() && kept.back().isHighSurrogate() ? kept.chopped(1) : kept;
}

// The editor's columns by the length limit of their boxes.
const QList<std::pair<int, QStringList>> editorColumns = {{INT_MAX, {"ADDRESS2", "HANDY"}},
    {100, {"NAME", "SENDER", "MAIL_ADDRESS", "SMTP_HOST", "POP_HOST", "OFFICE_NAME", "ADDRESS1"}},
    {100, {"OFFICE_SECTION"}}, {30, {"USERID", "PSWD"}}, {20, {"TEL_NUMBER", "FAX_NUMBER"}},
    {8, {"SMTP_PORT", "POP_PORT"}}};

// Runs the action while another program holds a write lock on ACCOUNT.
void underLock(Connection &db, const std::function<void()> &action)
{
    const QString driver = db.driverName();
    if (driver == u"QPSQL")
        db.execute("BEGIN");
    db.execute(driver == u"QPSQL" ? "LOCK TABLE ACCOUNT IN ACCESS EXCLUSIVE MODE"
            : driver == u"QMYSQL" ? "LOCK TABLES ACCOUNT WRITE"
                                  : "BEGIN EXCLUSIVE");
    action();
    db.execute(driver == u"QMYSQL" ? "UNLOCK TABLES" : "COMMIT");
}

} // namespace

class TestLosesNothing : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;

    QString newestKey() { return m_table->value("select max(ACCOUNT_NO) from ACCOUNT"); }
    static qsizetype fieldOf(const QString &column) { return accountColumns().indexOf(column) + 1; }
    // Replaces the box's text with the clipboard's, as its context menu does.
    static void paste(QLineEdit *box)
    {
        box->selectAll();
        box->paste();
    }

    // Opens the list and acts in it, which must end in the messages told (icon
    // and part of the text), a window still answering a click, and its closing.
    void inList(const QString &connStr, const QList<std::pair<Icon, QString>> &told,
        const std::function<void(AccountBrowse &)> &action)
    {
        QVERIFY(inAccountList(connStr, [&](AccountBrowse &window) {
            action(window);
            clickNode(window.SSTree1(), window.SSTree1()->node("0"));
            QCOMPARE(enabledButtons(window), (QStringList {"addf", "add", "close"}));
        }));
        QCOMPARE(m_record->asked.size(), told.size());
        for (qsizetype i = 0; i < told.size(); ++i)
            QVERIFY2(m_record->asked[i].icon == told[i].first
                    && m_record->asked[i].text.contains(told[i].second, Qt::CaseInsensitive),
                qPrintable(m_record->asked[i].text));
    }

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        m_record = std::make_unique<Recording>();
    }
    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
    }

    // Pasted into every box of the editor or of the folder dialog, or into a
    // label edited in place: each command of the window stores its row and
    // shows its node.
    void aPastedTextIsStoredAsItsBoxShowsIt_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("pasted");
        const QString hostile = u"O'Neill ''\\' C:\\mail\\ %1%2 50%2off %tablename %key %p_val "
                                "%val 営業 📧𝄞 שלום \u202Egnp\n2\r\n\tend"_qs;
        QString big = "a" + u"📧"_qs.repeated(60); // each limit falls inside a character
        while (big.size() < 65536)
            big += hostile;
        // A desktop edit control never holds NUL nor the noncharacters.
        for (const char *command : {"add", "update", "copy", "addf", "updatef", "label"})
            for (const QString &text : {hostile + QChar(0) + u"\uFFFE\uFFFF"_qs, big})
                QTest::addRow("%s: %d", command, int(text.size())) << QString(command) << text;
    }

    void aPastedTextIsStoredAsItsBoxShowsIt()
    {
        QFETCH(QString, command);
        QFETCH(QString, pasted);
        const QString held = QString(pasted).remove(QChar(0)).remove(u'\uFFFE').remove(u'\uFFFF');
        const QString folder = m_table->addRow("0", "F", "Folder");
        const QString target = m_table->addRow(folder, "A", "Target");
        const bool ofFolder = command.endsWith(u'f'), editor = !ofFolder && command != u"label";
        const bool adds = command.startsWith(u"add") || command == u"copy";
        const QString chosen = command == u"add" || ofFolder ? folder : target;
        std::vector<QStringList> rows = allRows(*m_table);
        if (adds) // the parent and the kind, then what the boxes wrote
            rows.push_back(QStringList {"", folder, ofFolder ? "F" : "A"}
                + QStringList(accountColumns().size() - 2));
        if (command == u"copy") // beside its account, with a blank HTML signature
            rows.back()[fieldOf("HTML_SIG")] = " ";
        QStringList &row = adds ? rows.back() : rows[chosen == folder ? 0 : 1];
        // The boxes cut at their limits, and the folder name drops apostrophes.
        row[fieldOf("NAME")] = command == u"label" ? held : firstUnits(held, 100).remove(u'\'');
        for (const auto &[limit, columns] : editor ? editorColumns : decltype(editorColumns)())
            for (const QString &column : columns)
                row[fieldOf(column)] = firstUnits(held, limit);
        QApplication::clipboard()->setText(pasted);
        inList(m_table->connectionString(), {}, [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            if (command == u"label") {
                clickNode(tree, tree->node(chosen));
                editLabel(tree, paste);
            } else {
                QVERIFY(inDialogOf(window, chosen, command, [&](QWidget *dialog) {
                    for (QLineEdit *box : dialog->findChildren<QLineEdit *>())
                        paste(box);
                    click(dialog, editor ? "Command1" : "Command2");
                }));
            }
            row[0] = adds ? newestKey() : chosen;
            QCOMPARE(tree->node(row[0])->text(), row[fieldOf("NAME")]);
        });
        QCOMPARE(allRows(*m_table), rows);
    }

    // A key past 32 bits, values longer than their boxes, bare line feeds in a
    // signature: loaded with one message, confirmed untouched it stays as it
    // was, and it is deleted like any other row.
    void aRowWrittenElsewhereIsKeptWholeAndStaysEditable()
    {
        const QString folder = m_table->addRow("0", "F", "Folder"), big = "4294967296";
        m_table->db().execute(
            "INSERT INTO ACCOUNT(ACCOUNT_NO,P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,"
            "SMTP_PORT,USERID,PSWD,TEL_NUMBER,TEXT_SIG) VALUES("
            + big + "," + folder + ",'A','Mail','Ann','ann@x','smtp','25','" + QString(45, u'u')
            + "','" + QString(40, u'p') + "','" + QString(25, u'1') + "','Ann\nSales\n')");
        const std::vector<QStringList> before = allRows(*m_table);
        inList(m_table->connectionString(),
            {{Icon::None, "Overflow"}, {Icon::None, u"削除してもよろしいですか。"_qs}},
            [&](AccountBrowse &window) {
                QVERIFY(inDialogOf(
                    window, big, "update", [](QWidget *dialog) { click(dialog, "Command1"); }));
                QCOMPARE(allRows(*m_table), before);
                clickNode(window.SSTree1(), window.SSTree1()->node(big));
                clickButton(window, "del");
            });
        QCOMPARE(m_table->value("select count(*) from ACCOUNT"), "1");
    }

    // Waited for some seconds, then reported with the dialog left open; once
    // the lock is gone the same OK goes through, and only it.
    void aLockHeldByAnotherProgramIsWaitedForThenReported()
    {
        const QString folder = m_table->addRow("0", "F", "Folder");
        const QStringList before = m_table->snapshot();
        inList(m_table->connectionString(), {{Icon::Critical, "lock"}}, [&](AccountBrowse &window) {
            QVERIFY(inDialogOf(window, folder, "addf", [&](QWidget *dialog) {
                retype(control(dialog, "Text1"), "Added");
                QElapsedTimer waited;
                underLock(m_table->db(), [&] {
                    waited.start();
                    click(dialog, "Command2");
                });
                QCOMPARE_GT(waited.elapsed(), 4000);
                QVERIFY(dialog->isVisible());
                click(dialog, "Command2");
            }));
        });
        QCOMPARE(
            m_table->snapshot(), before + QStringList {newestKey() + " " + folder + " F Added"});
    }

    // The nodes go before their rows: a refused delete stops, keeps the rows it
    // did not reach, and the tree shows again what is stored, nothing chosen.
    void aRefusedDeleteKeepsWhatItDidNotReach()
    {
        const QString top = m_table->addRow("0", "F", "top");
        const QString middle = m_table->addRow(top, "F", "middle");
        m_table->addRow(middle, "A", "deep");
        m_table->addRow(middle, "A", "stuck");
        m_table->addRow(top, "A", "beside");
        const QString elsewhere = m_table->addRow("0", "A", "stuck");
        refuseWrites(*m_table, "DELETE", "stuck");
        const std::pair<Icon, QString> asked {Icon::None, u"削除してもよろしいですか。"_qs};
        inList(m_table->connectionString(),
            {asked, {Icon::Critical, "refused"}, asked, {Icon::Critical, "refused"}},
            [&](AccountBrowse &window) {
                SSTree *tree = window.SSTree1();
                // Chosen with a right press, which chooses as a left one does.
                clickNode(tree, tree->node(elsewhere));
                QTest::mouseClick(
                    tree->viewport(), Qt::RightButton, {}, centreOf(tree, tree->node(top)));
                clickButton(window, "delf");
                QCOMPARE(enabledButtons(window), QStringList {"close"});
                clickNode(tree, tree->node(elsewhere));
                clickButton(window, "del");
                QCOMPARE(tree->nodeCount(), 2);
            });
        QCOMPARE(m_table->snapshot().replaceInStrings(QRegularExpression(".* "), ""),
            (QStringList {"middle", "stuck", "beside", "stuck"}));
    }

    // Whatever the gesture that finds the chosen row gone, it is told, nothing
    // is written, and the tree shows again what is stored.
    void aRowAnotherProgramDeletedIsToldAndTheTreeShownAgain_data()
    {
        QTest::addColumn<QString>("kind"); // of the row deleted once chosen
        QTest::addColumn<Gesture>("gesture");
        const Gesture label = [](AccountBrowse &window, SSNode *, SSNode *) {
            editLabel(window.SSTree1(), [](QLineEdit *label) { typeText(label, "New"); });
        };
        const Gesture drop = [](AccountBrowse &window, SSNode *gone, SSNode *other) {
            dragNode(window.SSTree1(), other, gone);
        };
        QTest::newRow("label") << "F" << label;
        QTest::newRow("drop") << "F" << drop;
        QTest::newRow("addf") << "F" << okIn("addf");
        QTest::newRow("add") << "F" << okIn("add");
        QTest::newRow("update") << "A" << Gesture([](AccountBrowse &window, SSNode *, SSNode *) {
            clickButton(window, "update");
        });
    }

    void aRowAnotherProgramDeletedIsToldAndTheTreeShownAgain()
    {
        QFETCH(QString, kind);
        QFETCH(Gesture, gesture);
        const QString gone = m_table->addRow("0", kind, "Gone");
        const QString other = m_table->addRow("0", kind == u"F" ? "A" : "F", "Kept");
        const QString told = kind == u"F" ? u"このフォルダはすでに削除されています。"_qs
                                          : u"このアカウントはすでに削除されています。"_qs;
        const QStringList kept = m_table->snapshot().mid(1);
        inList(m_table->connectionString(), {{Icon::None, told}}, [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            clickNode(tree, tree->node(gone));
            m_table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = " + gone);
            gesture(window, tree->node(gone), tree->node(other));
            QTRY_VERIFY(!tree->findNode(gone));
            QCOMPARE(tree->nodeCount(), 2);
        });
        QCOMPARE(m_table->snapshot(), kept);
    }
};

QTEST_MAIN(TestLosesNothing)
#include "tst_losesnothing.moc"
