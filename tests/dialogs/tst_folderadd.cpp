// The folder dialog as the toolbar opens it: adding a folder under the
// selected node and renaming the selected folder, in the table and the tree.

#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"
#include "ui/FormDialog.h"

#include <QClipboard>

using namespace DialogTest;

namespace {

FolderAdd &folderAdd()
{
    return Forms::folderAdd();
}

SSTree *tree()
{
    return list().SSTree1();
}

const QString emptyNameMessage = u"正確な文字を入力してください。"_qs;

QString insertOf(const QString &parent, const QString &name)
{
    return QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( %1 ,'F','%2')")
        .arg(parent, name);
}

QString renameOf(const QString &key, const QString &name)
{
    return QStringLiteral("UPDATE ACCOUNT SET NAME='") + name
        + QStringLiteral("' where ACCOUNT_NO= ") + key + u' ';
}

const QString keyQuery = QStringLiteral("select max(ACCOUNT_no) from ACCOUNT");

} // namespace

class TestFolderAdd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init();
    void cleanup();

    void addingWritesTheRowAndShowsAFolderNodeUnderTheSelectedNode_data();
    void addingWritesTheRowAndShowsAFolderNodeUnderTheSelectedNode();
    void renamingChangesOnlyTheName_data();
    void renamingChangesOnlyTheName();
    void anEmptyNameIsRefusedOnceAndOkMayBePressedAgain_data();
    void anEmptyNameIsRefusedOnceAndOkMayBePressedAgain();
    void apostrophesNeverStayInTheNameBox_data();
    void apostrophesNeverStayInTheNameBox();
    void aRenamedFolderLosesItsApostrophes();
    void cancellingLeavesTheRowAndTheTreeAsTheyWere_data();
    void cancellingLeavesTheRowAndTheTreeAsTheyWere();
    void aFailingStatementKeepsTheDialogOpenWithTheName_data();
    void aFailingStatementKeepsTheDialogOpenWithTheName();
    void aModeThatIsNoFolderModeStoresNothing_data();
    void aModeThatIsNoFolderModeStoresNothing();

private:
    // What the toolbar does before it shows the dialog: the mode, the
    // caption and, for a rename, the folder's name in the box.
    void prepare(const QString &mode, const QString &nodeKey);
    // Shows the dialog and acts in it; the statements run from here on are recorded.
    bool drive(const std::function<void(QWidget *)> &action);

    std::unique_ptr<TestDatabase> m_table;
    QList<MessageBox::Request> m_messages;
    QStringList m_statements;
};

void TestFolderAdd::init()
{
    QFETCH_GLOBAL(int, engine);
    const QString why = TestDatabase::unavailable(Engine(engine));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    m_table = std::make_unique<TestDatabase>(Engine(engine));
    m_messages.clear();
    m_statements.clear();
    MessageBox::setAnswerer([this](const MessageBox::Request &request) {
        m_messages << request;
        return MessageBox::Answer::Ok;
    });
    Connection::setTraceHook([this](const QString &statement) { m_statements << statement; });
}

void TestFolderAdd::cleanup()
{
    ModalDriver::closeAllModals();
    folderAdd().unload();
    list().unload();
    MessageBox::setAnswerer({});
    Connection::setTraceHook({});
    m_table.reset();
    QVERIFY(!folderAdd().isLoaded());
    QCOMPARE(visibleWindows(), QStringList());
}

void TestFolderAdd::prepare(const QString &mode, const QString &nodeKey)
{
    loadList(*m_table);
    list().basAU = mode;
    list().basNodeKey = nodeKey;
    if (mode == u"2") {
        folderAdd().setCaption(u"アカウントフォルダの修正"_qs);
        folderAdd().Text1()->setText(tree()->node(nodeKey)->text());
    } else {
        folderAdd().setCaption(u"アカウントフォルダの追加"_qs);
    }
}

bool TestFolderAdd::drive(const std::function<void(QWidget *)> &action)
{
    m_statements.clear();
    return showAndDrive(folderAdd(), "FolderAdd", action);
}

void TestFolderAdd::addingWritesTheRowAndShowsAFolderNodeUnderTheSelectedNode_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("name");
    QTest::newRow("the root") << "root"
                              << "Sales";
    QTest::newRow("a folder") << "folder"
                              << "Sales";
    QTest::newRow("a nested folder") << "nested"
                                     << "Sales";
    QTest::newRow("a name of blanks") << "folder"
                                      << "   ";
    QTest::newRow("a Japanese name") << "root" << u"営業部"_qs;
}

void TestFolderAdd::addingWritesTheRowAndShowsAFolderNodeUnderTheSelectedNode()
{
    QFETCH(QString, selected);
    QFETCH(QString, name);
    const QString folder = m_table->addFolder("0", "Folder");
    const QString nested = m_table->addFolder(folder, "Nested");
    m_table->addAccount(folder, "Account");
    const QString parent = selected == u"root" ? QStringLiteral("0")
        : selected == u"folder"                ? folder
                                               : nested;
    prepare("1", parent);
    const auto rowsBefore = allRows(*m_table);
    tree()->setSelectedNode(tree()->node(parent));

    QVERIFY(drive([&](QWidget *window) {
        QCOMPARE(window->windowTitle(), u"アカウントフォルダの追加"_qs);
        typeText(control(window, "Text1"), name);
        click(window, "Command2");
    }));

    QVERIFY(!folderAdd().isLoaded());
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(m_statements, (QStringList {insertOf(parent, name), keyQuery}));
    const QString key = m_table->value("select max(ACCOUNT_NO) from ACCOUNT");
    QCOMPARE(allRows(*m_table).size(), rowsBefore.size() + 1);
    QCOMPARE(m_table->rows("select P_ACCOUNT_NO, KIND, NAME from ACCOUNT where ACCOUNT_NO = " + key)
                 .front(),
        (QStringList {parent, "F", name}));

    SSNode *node = tree()->node(key);
    QCOMPARE(node->parentNode(), tree()->node(parent));
    QCOMPARE(tree()->node(parent)->firstChild()->lastSibling(), node);
    QCOMPARE(node->text(), name);
    QCOMPARE(node->markerText(), QStringLiteral("0"));
    QCOMPARE(node->image(), QStringLiteral("close"));
    QCOMPARE(node->expandedImage(), QStringLiteral("open"));
    QCOMPARE(node->foreground(0).color(), QColor(0, 0, 255));
    QCOMPARE(node->font(0).pointSizeF(), 10.0);
    QCOMPARE(node->font(0).bold(), false);
    QVERIFY(node->parentNode()->expanded());
    QCOMPARE(list().atNode, node);
    QCOMPARE(list().basNodeKey, parent);
    QCOMPARE(tree()->selectedNode(), tree()->node(parent));
}

void TestFolderAdd::renamingChangesOnlyTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Sales";
    QTest::newRow("blanks around") << "  Sales  ";
    QTest::newRow("Japanese") << u"営業部"_qs;
    QTest::newRow("a marker-like text") << "50%2off %1";
}

void TestFolderAdd::renamingChangesOnlyTheName()
{
    QFETCH(QString, name);
    const QString folder = m_table->addFolder("0", "Old");
    const QString child = m_table->addAccount(folder, "Child");
    const QString sub = m_table->addFolder(folder, "Sub");
    const QString other = m_table->addFolder("0", "Other");
    const auto rowsBefore = allRows(*m_table);
    prepare("2", folder);

    QVERIFY(drive([&](QWidget *window) {
        QCOMPARE(window->windowTitle(), u"アカウントフォルダの修正"_qs);
        QCOMPARE(control(window, "Text1")->text(), QStringLiteral("Old"));
        retype(control(window, "Text1"), name);
        click(window, "Command2");
    }));

    QVERIFY(!folderAdd().isLoaded());
    QCOMPARE(m_statements, QStringList {renameOf(folder, name)});
    auto expected = rowsBefore;
    for (QStringList &row : expected)
        if (row.front() == folder)
            row[3] = name; // ACCOUNT_NO, P_ACCOUNT_NO, KIND, NAME, ...
    QCOMPARE(allRows(*m_table), expected);
    SSNode *node = tree()->node(folder);
    QCOMPARE(node->text(), name);
    QCOMPARE(node->parentNode(), tree()->node("0"));
    QCOMPARE(tree()->node(child)->parentNode(), node);
    QCOMPARE(tree()->node(sub)->parentNode(), node);
    QCOMPARE(tree()->node(other)->text(), QStringLiteral("Other"));
    QCOMPARE(list().basNodeKey, folder);
}

void TestFolderAdd::anEmptyNameIsRefusedOnceAndOkMayBePressedAgain_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("add") << "1";
    QTest::newRow("rename") << "2";
}

void TestFolderAdd::anEmptyNameIsRefusedOnceAndOkMayBePressedAgain()
{
    QFETCH(QString, mode);
    const QString folder = m_table->addFolder("0", "Folder");
    prepare(mode, folder);
    const auto rowsBefore = allRows(*m_table);
    bool stayedOpen = false;
    QStringList statementsAfterRefusal;

    QVERIFY(drive([&](QWidget *window) {
        QLineEdit *name = control(window, "Text1");
        retype(name, QString());
        click(window, "Command2");
        stayedOpen = window->isVisible();
        statementsAfterRefusal = m_statements;
        typeText(name, "Again");
        click(window, "Command2");
    }));

    QVERIFY(stayedOpen);
    QVERIFY(statementsAfterRefusal.isEmpty());
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.front().text, emptyNameMessage);
    QCOMPARE(m_messages.front().buttons, MessageBox::Buttons::Ok);
    QCOMPARE(m_messages.front().icon, MessageBox::Icon::None);
    QVERIFY(!folderAdd().isLoaded());
    if (mode == u"1") {
        QCOMPARE(allRows(*m_table).size(), rowsBefore.size() + 1);
        QCOMPARE(m_table->value("select count(*) from ACCOUNT where NAME = 'Again'"),
            QStringLiteral("1"));
    } else {
        QCOMPARE(allRows(*m_table).size(), rowsBefore.size());
        QCOMPARE(m_table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + folder),
            QStringLiteral("Again"));
    }
}

void TestFolderAdd::apostrophesNeverStayInTheNameBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("kept");
    QTest::newRow("typed") << "typed"
                           << "O'Neill's"
                           << "ONeills";
    QTest::newRow("typed in the middle") << "middle"
                                         << "'Sa'"
                                         << "ASales";
    QTest::newRow("pasted") << "pasted"
                            << "'a'b'"
                            << "ab";
    QTest::newRow("put in by code") << "code"
                                    << "Bob's"
                                    << "Bobs";
    QTest::newRow("other quotation marks stay") << "typed" << u"‘’＇\"`"_qs << u"‘’＇\"`"_qs;
}

void TestFolderAdd::apostrophesNeverStayInTheNameBox()
{
    QFETCH(QString, how);
    QFETCH(QString, entered);
    QFETCH(QString, kept);
    prepare("1", "0");
    QString shown;

    QVERIFY(drive([&](QWidget *window) {
        QLineEdit *name = control(window, "Text1");
        if (how == u"typed") {
            typeText(name, entered);
        } else if (how == u"middle") {
            typeText(name, "les");
            QTest::keyClick(name, Qt::Key_Home);
            typeText(name, entered);
            QTest::keyClick(name, Qt::Key_Home);
            typeText(name, "A");
        } else if (how == u"pasted") {
            QApplication::clipboard()->setText(entered);
            QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        } else {
            folderAdd().Text1()->setText(entered);
        }
        shown = name->text();
        click(window, "Command2");
    }));

    QCOMPARE(shown, kept);
    const QString key = m_table->value("select max(ACCOUNT_NO) from ACCOUNT");
    QCOMPARE(m_table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + key), kept);
    QCOMPARE(tree()->node(key)->text(), kept);
}

void TestFolderAdd::aRenamedFolderLosesItsApostrophes()
{
    const QString folder = m_table->addFolder("0", "Bob's 'mail'");
    prepare("2", folder);
    QString shown;

    QVERIFY(drive([&](QWidget *window) {
        shown = control(window, "Text1")->text();
        click(window, "Command2");
    }));

    QCOMPARE(shown, QStringLiteral("Bobs mail"));
    QCOMPARE(m_statements, QStringList {renameOf(folder, "Bobs mail")});
    QCOMPARE(m_table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + folder),
        QStringLiteral("Bobs mail"));
    QCOMPARE(tree()->node(folder)->text(), QStringLiteral("Bobs mail"));
}

void TestFolderAdd::cancellingLeavesTheRowAndTheTreeAsTheyWere_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("how");
    QTest::newRow("add, cancel button") << "1"
                                        << "Command3";
    QTest::newRow("add, close box") << "1"
                                    << "close";
    QTest::newRow("rename, cancel button") << "2"
                                           << "Command3";
    QTest::newRow("rename, Escape") << "2"
                                    << "Escape";
}

void TestFolderAdd::cancellingLeavesTheRowAndTheTreeAsTheyWere()
{
    QFETCH(QString, mode);
    QFETCH(QString, how);
    const QString folder = m_table->addFolder("0", "Folder");
    prepare(mode, folder);
    const auto rowsBefore = allRows(*m_table);
    const int nodesBefore = tree()->nodeCount();

    QVERIFY(drive([&](QWidget *window) {
        QLineEdit *name = control(window, "Text1");
        retype(name, "Changed");
        if (how == u"close")
            window->close();
        else if (how == u"Escape")
            QTest::keyClick(name, Qt::Key_Escape);
        else
            click(window, how);
    }));

    QVERIFY(!folderAdd().isLoaded());
    QVERIFY(m_statements.isEmpty());
    QCOMPARE(allRows(*m_table), rowsBefore);
    QCOMPARE(tree()->nodeCount(), nodesBefore);
    QCOMPARE(tree()->node(folder)->text(), QStringLiteral("Folder"));
    // The next command meets the dialog as it was designed.
    QCOMPARE(folderAdd().Text1()->text(), QString());
    QCOMPARE(folderAdd().caption(), u"アカウントフォルダの作成"_qs);
}

void TestFolderAdd::aFailingStatementKeepsTheDialogOpenWithTheName_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("add") << "1";
    QTest::newRow("rename") << "2";
}

void TestFolderAdd::aFailingStatementKeepsTheDialogOpenWithTheName()
{
    QFETCH(QString, mode);
    const QString folder = m_table->addFolder("0", "Folder");
    prepare(mode, folder);
    refuseWrites(*m_table, mode == u"1" ? "INSERT" : "UPDATE");
    const auto rowsBefore = allRows(*m_table);
    const int nodesBefore = tree()->nodeCount();
    bool stayedOpen = false;
    QString nameAfterFailure;
    std::vector<QStringList> rowsAfterFailure;
    QString nodeTextAfterFailure;
    int nodesAfterFailure = 0;

    QVERIFY(drive([&](QWidget *window) {
        QLineEdit *name = control(window, "Text1");
        retype(name, "New name");
        click(window, "Command2");
        stayedOpen = window->isVisible();
        nameAfterFailure = name->text();
        rowsAfterFailure = allRows(*m_table);
        nodeTextAfterFailure = tree()->node(folder)->text();
        nodesAfterFailure = tree()->nodeCount();
        allowWrites(*m_table);
        click(window, "Command2");
    }));

    QVERIFY(stayedOpen);
    QCOMPARE(nameAfterFailure, QStringLiteral("New name"));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.front().text.contains("refused"), qPrintable(m_messages.front().text));
    QCOMPARE(rowsAfterFailure, rowsBefore);
    QCOMPARE(nodesAfterFailure, nodesBefore);
    // A rename shows the new name before the row is written.
    QCOMPARE(
        nodeTextAfterFailure, mode == u"1" ? QStringLiteral("Folder") : QStringLiteral("New name"));

    QVERIFY(!folderAdd().isLoaded());
    if (mode == u"1") {
        QCOMPARE(allRows(*m_table).size(), rowsBefore.size() + 1);
        QCOMPARE(tree()->nodeCount(), nodesBefore + 1);
    } else {
        QCOMPARE(m_table->value("select NAME from ACCOUNT where ACCOUNT_NO = " + folder),
            QStringLiteral("New name"));
    }
}

void TestFolderAdd::aModeThatIsNoFolderModeStoresNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("closes");
    QTest::newRow("an account mode") << "5" << true;
    QTest::newRow("not a number") << "x" << false;
}

void TestFolderAdd::aModeThatIsNoFolderModeStoresNothing()
{
    QFETCH(QString, mode);
    QFETCH(bool, closes);
    const QString folder = m_table->addFolder("0", "Folder");
    prepare(mode, folder);
    const auto rowsBefore = allRows(*m_table);
    bool closed = false;

    QVERIFY(drive([&](QWidget *window) {
        typeText(control(window, "Text1"), "Name");
        click(window, "Command2");
        closed = !window->isVisible();
    }));

    QCOMPARE(closed, closes);
    QCOMPARE(m_messages.size(), closes ? 0 : 1);
    QVERIFY(m_statements.isEmpty());
    QCOMPARE(allRows(*m_table), rowsBefore);
    QCOMPARE(tree()->node(folder)->text(), QStringLiteral("Folder"));
}

QTEST_MAIN(TestFolderAdd)
#include "tst_folderadd.moc"
