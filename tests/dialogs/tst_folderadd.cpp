// The folder dialog as the toolbar opens it: adding a folder under the
// selected node and renaming the selected folder, in the table and the tree.

#include "support/DialogTest.h"
#include "support/Recording.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"

#include <QClipboard>

#include <optional>

using namespace DialogTest;

namespace {

const QString emptyNameMessage = u"正確な文字を入力してください。"_qs;
// The selected folder's stored name; the dialog's box never holds an apostrophe.
const QString storedName = "Bob's 'mail'";

// A data row whose columns are all texts.
template <typename... Texts> void textRow(const QByteArray &tag, const Texts &...texts)
{
    (QTest::newRow(tag.constData()) << ... << QString(texts));
}

// Puts the name into the box: "typed" over its text, "pasted", set by "code",
// or typed in the "middle" of "A" and "les"; "none" leaves the box as it is.
void enter(QLineEdit *box, const QString &how, const QString &name)
{
    if (how == u"typed") {
        retype(box, name);
    } else if (how == u"middle") {
        retype(box, "les");
        QTest::keyClick(box, Qt::Key_Home);
        typeText(box, name);
        QTest::keyClick(box, Qt::Key_Home);
        typeText(box, "A");
    } else if (how == u"pasted") {
        QApplication::clipboard()->setText(name);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    } else if (how == u"code") {
        box->setText(name);
    }
}

} // namespace

class TestFolderAdd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init();
    void cleanup();

    void whatTheDialogStores_data();
    void whatTheDialogStores();

private:
    static FolderAdd &folderAdd() { return Forms::folderAdd(); }
    static SSTree *tree() { return list().SSTree1(); }

    std::unique_ptr<TestDatabase> m_table;
    std::optional<Recording> m_record;
};

void TestFolderAdd::init()
{
    QFETCH_GLOBAL(int, engine);
    m_table = tableOn(Engine(engine));
    if (!m_table)
        QSKIP(noServer);
    m_record.emplace();
}

void TestFolderAdd::cleanup()
{
    ModalDriver::closeAllModals();
    folderAdd().unload();
    list().unload();
    m_record.reset();
    m_table.reset();
    QCOMPARE(visibleWindows(), QStringList());
}

void TestFolderAdd::whatTheDialogStores_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("entered");
    // What the box keeps of it, and what is stored.
    QTest::addColumn<QString>("kept");
    // What refuses the first OK, if anything: an "empty" box or the "table".
    QTest::addColumn<QString>("refusal");
    // OK (Command2), or another way out.
    QTest::addColumn<QString>("leaveWith");
    const char *ok = "Command2";
    textRow("add at the root", "1", "root", "typed", u"営業部"_qs, u"営業部"_qs, "", ok);
    textRow("add blanks into a nested folder", "1", "nested", "typed", "   ", "   ", "", ok);
    textRow("add, apostrophes typed", "1", "root", "typed", "O'Neill's", "ONeills", "", ok);
    textRow("add, apostrophes mid-text", "1", "root", "middle", "'Sa'", "ASales", "", ok);
    textRow("add, apostrophes pasted", "1", "root", "pasted", "'a'b'", "ab", "", ok);
    textRow("add, apostrophes set by code", "1", "root", "code", "Bob's", "Bobs", "", ok);
    textRow("add, other quotes", "1", "root", "typed", u"‘’＇\"`"_qs, u"‘’＇\"`"_qs, "", ok);
    textRow("rename, blanks", "2", "folder", "typed", u"  営業部 "_qs, u"  営業部 "_qs, "", ok);
    textRow("rename, markers", "2", "folder", "typed", "50%2off %1", "50%2off %1", "", ok);
    textRow("rename, the stored apostrophes", "2", "folder", "none", "", "Bobs mail", "", ok);
    textRow("add, empty name", "1", "folder", "typed", "Again", "Again", "empty", ok);
    textRow("rename, empty name", "2", "folder", "typed", "Again", "Again", "empty", ok);
    textRow("add, table refuses", "1", "folder", "typed", "New name", "New name", "table", ok);
    textRow("rename, table refuses", "2", "folder", "typed", "New name", "New name", "table", ok);
    textRow("add, cancel button", "1", "folder", "typed", "Changed", "Changed", "", "Command3");
    textRow("add, close box", "1", "folder", "typed", "Changed", "Changed", "", "close");
    textRow("rename, cancel button", "2", "folder", "typed", "Changed", "Changed", "", "Command3");
    textRow("rename, Escape", "2", "folder", "typed", "Changed", "Changed", "", "Escape");
    // OK in an account mode stores nothing; a mode that is no number is
    // reported and keeps the dialog open.
    textRow("an account mode", "5", "folder", "typed", "Name", "Name", "", ok);
    textRow("no number as the mode", "x", "folder", "typed", "Name", "Name", "", ok);
}

void TestFolderAdd::whatTheDialogStores()
{
    QFETCH(QString, mode);
    QFETCH(QString, selected);
    QFETCH(QString, how);
    QFETCH(QString, entered);
    QFETCH(QString, kept);
    QFETCH(QString, refusal);
    QFETCH(QString, leaveWith);
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = m_table->addFolder("0", storedName);
    const QString child = m_table->addAccount(keys["folder"], "Child");
    keys["nested"] = m_table->addFolder(keys["folder"], "Nested");
    const QString other = m_table->addFolder("0", "Other");
    const QString selectedKey = keys[selected];
    const bool add = mode == u"1";
    const bool rename = mode == u"2";
    const bool stores = leaveWith == u"Command2" && (add || rename);
    const bool tableRefuses = refusal == u"table";
    QStringList expected;
    // A folder goes only under a parent whose row is still there.
    if (stores && add && selectedKey != u"0")
        expected << "select * from ACCOUNT where ACCOUNT_no= " + selectedKey;
    if (stores)
        expected << (add
                ? "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( " + selectedKey + " ,'F','"
                    + kept + "')"
                : "UPDATE ACCOUNT SET NAME='" + kept + "' where ACCOUNT_NO= " + selectedKey + " ");
    // What ran when the table refused: the key is not asked for.
    const QStringList refused = tableRefuses ? expected : QStringList();
    if (stores && add)
        expected << "select max(ACCOUNT_no) from ACCOUNT";

    // What the toolbar does before it shows the dialog.
    loadList(*m_table);
    list().basAU = mode;
    list().basNodeKey = selectedKey;
    folderAdd().setCaption(
        rename ? u"アカウントフォルダの修正"_qs : u"アカウントフォルダの追加"_qs);
    if (rename)
        folderAdd().Text1()->setText(tree()->node(selectedKey)->text());
    tree()->setSelectedNode(tree()->node(selectedKey));
    if (tableRefuses)
        refuseWrites(*m_table, add ? "INSERT" : "UPDATE");
    const auto rowsBefore = allRows(*m_table);
    const int nodesBefore = tree()->nodeCount();

    m_record->statements.clear();
    QVERIFY(showAndDrive(folderAdd(), "FolderAdd", [&](QWidget *window) {
        QLineEdit *name = control(window, "Text1");
        QCOMPARE(name->text(), rename ? QStringLiteral("Bobs mail") : QString());
        if (refusal == u"empty")
            retype(name, QString());
        else
            enter(name, how, entered);
        if (!refusal.isEmpty()) {
            click(window, "Command2");
            // The dialog stays open with the name, and nothing is stored.
            QVERIFY(window->isVisible());
            QCOMPARE(name->text(), tableRefuses ? kept : QString());
            QCOMPARE(m_record->statements, refused);
            QCOMPARE(allRows(*m_table), rowsBefore);
            QCOMPARE(tree()->nodeCount(), nodesBefore);
            // A rename shows the new name before the row is written.
            QCOMPARE(
                tree()->node(keys["folder"])->text(), rename && tableRefuses ? kept : storedName);
            if (tableRefuses)
                allowWrites(*m_table);
            else
                enter(name, how, entered);
            m_record->statements.clear();
        }
        // Escape closes nothing; the close box does.
        if (leaveWith == u"Escape") {
            QTest::keyClick(name, Qt::Key_Escape);
            QVERIFY(window->isVisible());
        }
        if (leaveWith == u"close" || leaveWith == u"Escape")
            window->close();
        else
            click(window, leaveWith);
        QCOMPARE(window->isVisible(), mode == u"x");
    }));

    verifyRefusal(*m_record, tableRefuses, refusal.isEmpty() ? QString() : emptyNameMessage,
        !refusal.isEmpty() || mode == u"x");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_record->statements, expected);
    QCOMPARE(list().basNodeKey, selectedKey);
    QCOMPARE(tree()->selectedNode(), tree()->node(selectedKey));
    QCOMPARE(tree()->node(other)->text(), QStringLiteral("Other"));
    // The next command meets the dialog as it was designed.
    QVERIFY(!folderAdd().isLoaded());
    QCOMPARE(folderAdd().Text1()->text(), QString());
    QCOMPARE(folderAdd().caption(), u"アカウントフォルダの作成"_qs);

    // A new row, with no column set but parent, kind and name, or the renamed
    // one; every other row and column as it was.
    const QString key = !stores ? QString()
        : add                   ? m_table->value("select max(ACCOUNT_NO) from ACCOUNT")
                                : selectedKey;
    auto expectedRows = rowsBefore;
    if (stores && add)
        expectedRows.push_back(QStringList {key, selectedKey, "F", kept} + QStringList(17));
    for (QStringList &row : expectedRows)
        if (row.front() == key)
            row[3] = kept; // ACCOUNT_NO, P_ACCOUNT_NO, KIND, NAME, 17 more
    QCOMPARE(allRows(*m_table), expectedRows);
    QCOMPARE(tree()->nodeCount(), nodesBefore + (stores && add ? 1 : 0));
    QCOMPARE(tree()->node(keys["folder"])->text(), stores && rename ? kept : storedName);
    if (!stores)
        return;
    SSNode *node = tree()->node(key);
    QCOMPARE(node->text(), kept);
    if (rename) {
        QCOMPARE(node->parentNode(), tree()->node("0"));
        QCOMPARE(tree()->node(child)->parentNode(), node);
        QCOMPARE(tree()->node(keys["nested"])->parentNode(), node);
        return;
    }
    // A new node looks like a loaded folder and comes last under its parent.
    QCOMPARE(node->parentNode(), tree()->node(selectedKey));
    QCOMPARE(node->parentNode()->firstChild()->lastSibling(), node);
    QVERIFY(node->parentNode()->expanded());
    QCOMPARE(node->markerText(), QStringLiteral("0"));
    QCOMPARE(node->image(), QStringLiteral("close"));
    QCOMPARE(node->expandedImage(), QStringLiteral("open"));
    QCOMPARE(node->foreground(0).color(), QColor(0, 0, 255));
    QCOMPARE(node->font(0).pointSizeF(), 10.0);
    QVERIFY(!node->font(0).bold());
    QCOMPARE(list().atNode, node);
}

QTEST_MAIN(TestFolderAdd)
#include "tst_folderadd.moc"
