// Export and import from a node's menu as a person uses them: the menu,
// Qt's file dialog, the question about passwords, the box that follows, and
// the table and the tree afterwards.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

using namespace DialogTest;

class TestTransfer : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    QTemporaryDir m_dir;
    bool m_sqlite = false;
    bool m_importOffered = false;
    std::function<void()> m_whileChoosing; // what another program does meanwhile

    // A settings file with these entries, written with ' for ".
    QString settingsFile(const QByteArray &entries)
    {
        QFile file(m_dir.filePath("in.json"));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(
                "{'format': 'tx_account.settings', 'formatVersion': 1, 'rows': [" + entries + "]}")
                           .replace('\'', '"'));
        return file.fileName();
    }

    // Chooses the node with a click, opens its menu with Shift+F10, clicks
    // the entry and gives the file's path to the dialog it opens; then looks
    // at the tree.
    void fromMenu(const QString &key, const QString &entry, const QString &file,
        const std::function<void(SSTree *)> &then = {})
    {
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            SSTree *tree = window.SSTree1();
            tree->activateWindow();
            clickNode(tree, tree->node(key));
            QTRY_COMPARE(QApplication::focusWidget(), tree);
            bool pasted = false;
            ModalDriver::whenShown(
                entry == u"export" ? "ExportFile" : "ImportFile",
                [&](QWidget *dialog) {
                    if (m_whileChoosing)
                        m_whileChoosing();
                    // Typed key by key, each folder on the way would be chosen too.
                    QApplication::clipboard()->setText(file);
                    auto *name = control(dialog, "fileNameEdit");
                    QTest::keySequence(name, QKeySequence::SelectAll);
                    QTest::keySequence(name, QKeySequence::Paste);
                    QTest::keyClick(name, Qt::Key_Return);
                },
                &pasted);
            QTimer menu;
            connect(&menu, &QTimer::timeout, [&] {
                if (auto *shown = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    menu.stop();
                    m_importOffered = shown->findChild<QAction *>("import")->isEnabled();
                    const QRect at = shown->actionGeometry(shown->findChild<QAction *>(entry));
                    QTest::mouseClick(shown, Qt::LeftButton, {}, at.center());
                }
            });
            menu.start(10);
            m_record->statements.clear();
            QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
            QTRY_VERIFY(pasted);
            if (then)
                then(tree);
        }));
    }

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }

    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_sqlite = Engine(engine) == Engine::SQLite;
        if (!m_sqlite
            && QTest::currentTestFunction() == QByteArray("anExportAsksWhetherPasswordsGoIn"))
            QSKIP("Writes nothing to the table: one engine is enough");
        if (!(m_table = tableOn(Engine(engine))))
            QSKIP(noServer);
        m_record = std::make_unique<Recording>();
        addSampleTree(*m_table);
    }

    void cleanup()
    {
        m_whileChoosing = {};
        closeWindows();
        m_record.reset();
        m_table.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void anExportAsksWhetherPasswordsGoIn_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("Enter: no") << false;
    }

    // The boxes are real ones here: Enter takes the question's default.
    void anExportAsksWhetherPasswordsGoIn()
    {
        QFETCH(bool, yes);
        MessageBox::setAnswerer({});
        QStringList boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->text();
                if (yes && box->button(QMessageBox::Yes))
                    box->button(QMessageBox::Yes)->click();
                else
                    QTest::keyClick(box, Qt::Key_Return);
            }
        });
        answer.start(10);
        const QString file = m_dir.filePath(yes ? "with.json" : "without.json");
        fromMenu("2", "export", file);
        QVERIFY(!m_importOffered); // nothing goes under an account
        QCOMPARE(boxes,
            (QStringList {"パスワードも書き出しますか。",
                "フォルダ 0 件、アカウント 1 件を書き出しました。"}));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(written.readAll())["rows"][0]["values"]["PSWD"],
            yes ? QJsonValue("s3cret") : QJsonValue::Undefined);
        // Without passwords, as any new file: group and others may read it.
        QFile anyNewFile(m_dir.filePath("new"));
        QVERIFY(anyNewFile.open(QIODevice::WriteOnly));
        const auto notTheUsers = ~QFileDevice::Permissions(0x0700);
        QCOMPARE(written.permissions() & notTheUsers,
            yes ? QFileDevice::ReadOwner | QFileDevice::WriteOwner
                : anyNewFile.permissions() & notTheUsers);
    }

    // A folder with an account and a folder holding one, and an account
    // beside it, each in the file's order; NULL and empty as the file says.
    void anImportPutsTheFilesRowsUnderTheFolderAndShowsThemInPlace()
    {
        const QString file
            = settingsFile("{'id': 10, 'values': {'KIND': 'F', 'NAME': '取引先'}},"
                           "{'id': 11, 'values': {'KIND': 'A', 'NAME': 'Eve'}},"
                           "{'id': 13, 'parent': 10, 'values': {'KIND': 'F', 'NAME': 'Sub'}},"
                           "{'id': 14, 'parent': 13, 'values': {'KIND': 'A', 'NAME': 'Dan'}},"
                           "{'id': 12, 'parent': 10, 'values': {'KIND': 'A', "
                           "'NAME': 'O\\u0027Neill', 'SENDER': '', 'PSWD': null}}");
        fromMenu("1", "import", file, [](SSTree *tree) {
            QStringList shown;
            for (const char *key : {"7", "8", "9", "10", "11"})
                shown << tree->node(key)->parentNode()->key() + ' ' + tree->node(key)->image() + ' '
                        + tree->node(key)->text();
            QCOMPARE(shown,
                (QStringList {"1 close 取引先", "7 close Sub", "8 account Dan", "7 account O'Neill",
                    "1 account Eve"}));
            QCOMPARE(tree->node("3")->nextSibling()->nextSibling()->key(), "7"); // in key order
        });
        QCOMPARE(
            m_record->messages(), QStringList {"フォルダ 2 件、アカウント 3 件を読み込みました。"});
        const QString insert = "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME%1) VALUES(%2)\n"
                               "select max(ACCOUNT_NO) from ACCOUNT";
        // Then what the rows went in as, read for an undo.
        const QString readOwn = "SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = %1";
        const QString readUnder
            = "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = %1 ORDER BY ACCOUNT_NO";
        QCOMPARE(m_record->statements.join('\n'),
            QStringList(
                {m_sqlite ? "BEGIN IMMEDIATE" : "BEGIN",
                    "select * from ACCOUNT where ACCOUNT_no= 1", insert.arg("", "1,'F','取引先'"),
                    insert.arg("", "7,'F','Sub'"), insert.arg("", "8,'A','Dan'"),
                    insert.arg(",SENDER,PSWD", "7,'A','O''Neill','',NULL"),
                    insert.arg("", "1,'A','Eve'"), "COMMIT", readOwn.arg(7), readUnder.arg(7),
                    readUnder.arg(8), readUnder.arg(10), readUnder.arg(9), readOwn.arg(11),
                    readUnder.arg(11)})
                .join('\n'));
        QCOMPARE(m_table->rows("select SENDER, PSWD from ACCOUNT where ACCOUNT_NO = 10"),
            (std::vector<QStringList> {{"", QString()}}));
    }

    void anImportIntoAFolderAnotherProgramDeletedWritesNothing()
    {
        const QStringList stored = m_table->snapshot();
        m_whileChoosing
            = [&] { m_table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 6"); };
        fromMenu(
            "6", "import", settingsFile("{'id': 1, 'values': {'KIND': 'F'}}"), [](SSTree *tree) {
                QTRY_COMPARE(tree->nodeCount(), 6); // shown again from the table
            });
        QCOMPARE(m_record->messages(), QStringList {"このフォルダはすでに削除されています。"});
        QCOMPARE(m_table->snapshot(), stored.mid(0, 5));
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
