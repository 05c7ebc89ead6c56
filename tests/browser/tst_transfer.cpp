// Export and import from a node's menu as a person uses them: the menu,
// Qt's file dialog, the question about passwords, the box that follows, and
// the table and the tree afterwards.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

using namespace DialogTest;

namespace {

// A file's mode for its owner, its group and the others.
QFileDevice::Permissions modeOf(const QString &path)
{
    return QFile::permissions(path) & ~QFileDevice::Permissions(0x0700);
}

// A settings file with these entries, written with ' for ".
QString settingsFile(const QTemporaryDir &dir, const QByteArray &entries)
{
    QFile file(dir.filePath("in.json"));
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray(
            "{'format': 'tx_account.settings', 'formatVersion': 1, 'rows': [" + entries + "]}")
                       .replace('\'', '"'));
    return file.fileName();
}

QStringList childKeys(const SSNode *node)
{
    QStringList keys;
    for (const SSNode *child = node->firstChild(); child; child = child->nextSibling())
        keys << child->key();
    return keys;
}

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_table;
    std::unique_ptr<Recording> m_record;
    QTemporaryDir m_dir;
    bool m_sqlite = false;
    bool m_importOffered = false;
    std::function<void()> m_whileChoosing; // what another program does meanwhile

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
            bool typed = false;
            ModalDriver::whenShown(
                entry == u"export" ? "ExportFile" : "ImportFile",
                [&](QWidget *dialog) {
                    if (m_whileChoosing)
                        m_whileChoosing();
                    // Pasted: typed key by key, each folder on the way would be chosen too.
                    QApplication::clipboard()->setText(file);
                    auto *name = control(dialog, "fileNameEdit");
                    QTest::keySequence(name, QKeySequence::SelectAll);
                    QTest::keySequence(name, QKeySequence::Paste);
                    QTest::keyClick(name, Qt::Key_Return);
                },
                &typed);
            QTimer menu;
            connect(&menu, &QTimer::timeout, [&] {
                if (auto *shown = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    menu.stop();
                    m_importOffered = shown->findChild<QAction *>("import")->isEnabled();
                    QAction *chosen = shown->findChild<QAction *>(entry);
                    QTest::mouseClick(
                        shown, Qt::LeftButton, {}, shown->actionGeometry(chosen).center());
                }
            });
            menu.start(10);
            if (m_record)
                m_record->statements.clear();
            QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
            QTRY_VERIFY(typed);
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
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        addSampleTree(*m_table);
        m_record = std::make_unique<Recording>();
    }

    void cleanup()
    {
        closeWindows();
        m_record.reset();
        m_table.reset();
        m_whileChoosing = {};
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
        m_record.reset();
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
        QVERIFY(!m_importOffered); // no import into an account
        QCOMPARE(boxes,
            (QStringList {"パスワードも書き出しますか。",
                "フォルダ 0 件、アカウント 1 件を書き出しました。"}));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QJsonObject values
            = QJsonDocument::fromJson(written.readAll())["rows"][0]["values"].toObject();
        QCOMPARE(values.value("PSWD"), yes ? QJsonValue("s3cret") : QJsonValue::Undefined);
        QCOMPARE(values.value("SENDER"), QJsonValue(""));
        QCOMPARE(values.value("OFFICE_NAME"), QJsonValue::Null);
        QFile anyNewFile(m_dir.filePath("new"));
        QVERIFY(anyNewFile.open(QIODevice::WriteOnly));
        QCOMPARE(modeOf(file),
            yes ? QFileDevice::ReadOwner | QFileDevice::WriteOwner : modeOf(anyNewFile.fileName()));
    }

    // A folder with an account and a folder holding one, and an account
    // beside it, each in the file's order; NULL and empty as the file says.
    void anImportPutsTheFilesRowsUnderTheFolderAndShowsThemInPlace()
    {
        const QString file = settingsFile(m_dir,
            "{'id': 10, 'values': {'KIND': 'F', 'NAME': '取引先'}},"
            "{'id': 11, 'values': {'KIND': 'A', 'NAME': 'Eve'}},"
            "{'id': 13, 'parent': 10, 'values': {'KIND': 'F', 'NAME': 'Sub'}},"
            "{'id': 14, 'parent': 13, 'values': {'KIND': 'A', 'NAME': 'Dan'}},"
            "{'id': 12, 'parent': 10, 'values': {'KIND': 'A', 'NAME': 'O\\u0027Neill', "
            "'SENDER': '', 'PSWD': null}}");
        fromMenu("1", "import", file, [](SSTree *tree) {
            QCOMPARE(childKeys(tree->node("1")), (QStringList {"3", "5", "7", "11"}));
            QCOMPARE(childKeys(tree->node("7")), (QStringList {"8", "10"}));
            QCOMPARE(childKeys(tree->node("8")), QStringList {"9"});
            QCOMPARE(tree->node("10")->text(), "O'Neill");
            QCOMPARE(tree->node("10")->image(), "account");
            QCOMPARE(tree->node("8")->markerText(), "0"); // a folder that takes drops
        });
        QCOMPARE(
            m_record->messages(), QStringList {"フォルダ 2 件、アカウント 3 件を読み込みました。"});
        const QString insert = "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME%1) VALUES(%2)\n"
                               "select max(ACCOUNT_NO) from ACCOUNT";
        QCOMPARE(m_record->statements.join('\n'),
            QStringList(
                {m_sqlite ? "BEGIN IMMEDIATE" : "BEGIN",
                    "select * from ACCOUNT where ACCOUNT_no= 1", insert.arg("", "1,'F','取引先'"),
                    insert.arg("", "7,'F','Sub'"), insert.arg("", "8,'A','Dan'"),
                    insert.arg(",SENDER,PSWD", "7,'A','O''Neill','',NULL"),
                    insert.arg("", "1,'A','Eve'"), "COMMIT"})
                .join('\n'));
        QCOMPARE(m_table->snapshot().mid(6),
            (QStringList {
                "7 1 F 取引先", "8 7 F Sub", "9 8 A Dan", "10 7 A O'Neill", "11 1 A Eve"}));
        QCOMPARE(m_table->rows("select SENDER, PSWD from ACCOUNT where ACCOUNT_NO = 10"),
            (std::vector<QStringList> {{"", QString()}}));
    }

    void aRefusedImportSaysWhyAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<QString>("told");
        const QByteArray folder = "{'id': 1, 'values': {'KIND': 'F', 'NAME': 'f'}}";
        // Refused by the table at the second row.
        QTest::newRow("a column the table lacks")
            << folder + ", {'id': 2, 'parent': 1, 'values': {'KIND': 'A', 'NOPE': ''}}"
            << "nope";
        QTest::newRow("a folder another program deleted")
            << folder << "このフォルダはすでに削除されています。";
    }

    void aRefusedImportSaysWhyAndChangesNothing()
    {
        QFETCH(QByteArray, entries);
        QFETCH(QString, told);
        const bool gone = told.startsWith("この");
        const QStringList stored = m_table->snapshot();
        if (gone)
            m_whileChoosing
                = [&] { m_table->db().execute("DELETE FROM ACCOUNT WHERE ACCOUNT_NO = 6"); };
        fromMenu("6", "import", settingsFile(m_dir, entries), [&](SSTree *tree) {
            // Shown again from the table once the folder was found gone.
            QTRY_COMPARE(tree->nodeCount(), gone ? 6 : 7);
        });
        QCOMPARE(m_record->messages().size(), 1);
        QVERIFY2(m_record->messages()[0].contains(told, Qt::CaseInsensitive),
            qPrintable(m_record->messages()[0]));
        QCOMPARE(m_table->snapshot(), gone ? stored.mid(0, 5) : stored);
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
