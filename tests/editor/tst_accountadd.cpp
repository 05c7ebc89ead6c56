// The account editor as the toolbar opens it: adding, modifying and copying
// a mail account, its required boxes, its port boxes and its signature.

#include "support/DialogTest.h"
#include "support/Recording.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/FormDialog.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>

#include <optional>

using namespace DialogTest;

namespace {

const QString emptyBoxMessage = u"正確な文字を入力してください。"_qs;
const QString digitMessage = u"数字を入力してください。"_qs;

// The editor's text boxes, in the order of the columns they fill.
const QStringList boxNames = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7",
    "Text8", "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber", "TextFaxNumber",
    "TextAddress1", "TextAddress2", "TextHandy"};

// What the user types: a quote in every box that takes one (the port boxes
// take digits only).
const QStringList typed = {"O'Mail", "Ann 'A'", "ann'@x", "smtp'host", "25", "pop'host", "110",
    "u'id", "p'w", "Co'", "S'ec", "1'", "2'", "A'1", "A'2", "3'"};
const QString typedSignature = "Best,\nAnn";
// A typed line break is stored as mail carries it.
const QString storedSignature = "Best,\r\nAnn";

// The statements the editor must write for the typed values.
QString insertOf(const QString &parent, bool copy)
{
    const QString htmlSignature = copy ? "' '" : "''";
    return "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,"
           "POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,OFFICE_SECTION,"
           "TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '"
        + parent + "', 'A', 'O''Mail','Ann ''A''','ann''@x','smtp''host','25','pop''host',"
        + "'110','u''id','p''w','Best,\r\nAnn'," + htmlSignature
        + " ,'Co''','S''ec','1''','2''','A''1','A''2','3''')";
}

QString updateOf(const QString &key)
{
    return "UPDATE ACCOUNT SET NAME='O''Mail', SENDER = 'Ann ''A''', MAIL_ADDRESS = 'ann''@x', "
           "SMTP_HOST = 'smtp''host', SMTP_PORT = '25', POP_HOST = 'pop''host', POP_PORT = "
           "'110', USERID = 'u''id', PSWD = 'p''w', TEXT_SIG = 'Best,\r\nAnn', OFFICE_NAME = "
           "'Co''', OFFICE_SECTION = 'S''ec', TEL_NUMBER = '1''', FAX_NUMBER = '2''', ADDRESS1 = "
           "'A''1', ADDRESS2 = 'A''2', HANDY = '3'''where ACCOUNT_NO= "
        + key;
}

// The row the typed values make, as allRows gives it.
QStringList storedRowOf(const QString &key, const QString &parent, const QString &htmlSignature)
{
    return QStringList {key, parent, "A"} + typed.mid(0, 9)
        + QStringList {storedSignature, htmlSignature} + typed.mid(9);
}

// A data row whose columns are all texts.
template <typename... Texts> void textRow(const QByteArray &tag, const Texts &...texts)
{
    (QTest::newRow(tag.constData()) << ... << QString(texts));
}

void fillBoxes(QWidget *window, const QStringList &values)
{
    for (qsizetype i = 0; i < boxNames.size(); ++i)
        retype(control(window, boxNames.at(i)), values.at(i));
}

QStringList boxTexts(QWidget *window)
{
    QStringList texts;
    for (const QString &name : boxNames)
        texts << control(window, name)->text();
    return texts;
}

// `how`: a button's name, "close" (the close box), "Escape" (which closes
// nothing, so the close box follows) or "Return in Text5".
void press(QWidget *window, const QString &how)
{
    if (how == u"close") {
        window->close();
    } else if (how == u"Escape") {
        QTest::keyClick(window->findChild<QWidget *>("Text1"), Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
    } else if (how.startsWith(u"Return in ")) {
        QTest::keyClick(control(window, how.mid(10)), Qt::Key_Return);
    } else {
        click(window, how);
    }
}

// Replaces the signature through the editor's button, then leaves as `how` says.
bool enterSignature(QWidget *window, const QString &text, const QString &how)
{
    bool ran = false;
    ModalDriver::whenShown(
        "Sign",
        [&](QWidget *signWindow) {
            auto *signature = control<QPlainTextEdit>(signWindow, "Text1");
            QTest::keyClick(signature, Qt::Key_A, Qt::ControlModifier);
            typeText(signature, text);
            press(signWindow, how);
        },
        &ran);
    click(window, "Command3");
    return ran;
}

} // namespace

class TestAccountAdd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { engineRows(); }
    void init();
    void cleanup();

    void whatTheEditorStores_data();
    void whatTheEditorStores();
    void blanksPassAndEmptyOptionalBoxesAreStoredEmpty();
    void thePortFilterPassesDigitsReturnAndBackspaceOnly();
    void typingIntoAPortBoxKeepsOnlyDigits_data();
    void typingIntoAPortBoxKeepsOnlyDigits();
    void theWindowsFontIsSmallerThanItsControls();
    void dbSetDoublesEverySingleQuoteInPlace_data();
    void dbSetDoublesEverySingleQuoteInPlace();

private:
    static AccountAdd &editor() { return Forms::accountAdd(); }
    static SSTree *tree() { return list().SSTree1(); }
    TestDatabase &table() { return *m_table; }
    QString newestKey() { return table().value("select max(ACCOUNT_NO) from ACCOUNT"); }
    // An account with nothing but a name and what a modify keeps: the tests retype the rest.
    QString storeAccount(const QString &parent)
    {
        table().db().execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,HTML_SIG) VALUES(" + parent
            + ",'A','Stored ''S''','<b>html</b>')");
        return newestKey();
    }
    // What the toolbar does before it shows the editor: the mode, the
    // selected node and the caption. Every test types all its entries.
    void prepare(const QString &mode, const QString &nodeKey)
    {
        loadList(table());
        list().basAU = mode;
        list().basNodeKey = nodeKey;
        editor().setCaption(mode == u"6" ? u"アカウント修正"_qs
                : mode == u"9"           ? u"アカウント複写"_qs
                                         : u"アカウント追加"_qs);
    }

    std::unique_ptr<TestDatabase> m_table;
    std::optional<Recording> m_record;
};

void TestAccountAdd::init()
{
    QFETCH_GLOBAL(int, engine);
    const QString why = TestDatabase::unavailable(Engine(engine));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    // The tests that store nothing need one engine only.
    static const QSet<QByteArray> engineFree
        = {"thePortFilterPassesDigitsReturnAndBackspaceOnly", "typingIntoAPortBoxKeepsOnlyDigits",
            "theWindowsFontIsSmallerThanItsControls", "dbSetDoublesEverySingleQuoteInPlace"};
    if (Engine(engine) != Engine::SQLite && engineFree.contains(QTest::currentTestFunction()))
        QSKIP("Runs no statement: the engine plays no part");
    m_table = std::make_unique<TestDatabase>(Engine(engine));
    m_record.emplace();
}

void TestAccountAdd::cleanup()
{
    ModalDriver::closeAllModals();
    editor().unload();
    list().unload();
    m_record.reset();
    m_table.reset();
    QVERIFY(!Forms::sign().isLoaded());
    QCOMPARE(visibleWindows(), QStringList());
}

void TestAccountAdd::whatTheEditorStores_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("selected");
    // Where a new account goes.
    QTest::addColumn<QString>("parent");
    // What refuses the first OK, if anything: the table, or a required box
    // left empty ("all": every box); the user then puts it right.
    QTest::addColumn<QString>("refusal");
    // OK (its button, or Return in a port box), or another way out.
    QTest::addColumn<QString>("leaveWith");
    // However the signature dialog is left, what it holds is stored.
    QTest::addColumn<QString>("signatureLeftWith");
    const char *ok = "Command1";
    textRow("add at the root", "5", "root", "root", "", ok, "Command1");
    textRow("add into a folder", "5", "folder", "folder", "", ok, "Command2");
    textRow("add into an empty folder", "5", "empty folder", "empty folder", "", ok, "close");
    textRow("copy in a folder", "9", "account", "folder", "", "Return in Text5", "Command1");
    textRow("copy at the root", "9", "account at root", "root", "", "Return in Text7", "Command2");
    textRow("modify", "6", "account", "folder", "", ok, "Command1");
    textRow("add, table refuses", "5", "folder", "folder", "table", ok, "Command1");
    textRow("copy, table refuses", "9", "account", "folder", "table", ok, "Command1");
    textRow("modify, table refuses", "6", "account", "folder", "table", ok, "Command1");
    for (const QString &name : boxNames.mid(0, 5))
        textRow("add, empty " + name.toLatin1(), "5", "folder", "folder", name, ok, "Command1");
    textRow("add, empty Text1, Return", "5", "root", "root", "Text1", "Return in Text5", "close");
    textRow("modify, all empty", "6", "account", "folder", "all", "Return in Text7", "Command1");
    textRow("add, cancel button", "5", "root", "root", "", "Command2", "Command1");
    textRow("add, close box", "5", "folder", "folder", "", "close", "Command1");
    textRow("modify, cancel button", "6", "account", "folder", "", "Command2", "Command1");
    textRow("copy, Escape", "9", "account", "folder", "", "Escape", "Command1");
    // OK in a folder mode stores nothing; a mode that is no number is
    // reported and keeps the editor open.
    textRow("a folder mode", "1", "folder", "folder", "", ok, "Command1");
    textRow("no number as the mode", "x", "folder", "folder", "", ok, "Command1");
}

void TestAccountAdd::whatTheEditorStores()
{
    QFETCH(QString, mode);
    QFETCH(QString, selected);
    QFETCH(QString, parent);
    QFETCH(QString, refusal);
    QFETCH(QString, leaveWith);
    QFETCH(QString, signatureLeftWith);
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table().addFolder("0", "Folder");
    const QString before = table().addAccount(keys["folder"], "Before");
    keys["account"] = storeAccount(keys["folder"]);
    keys["empty folder"] = table().addFolder(keys["folder"], "Empty");
    keys["account at root"] = storeAccount("0");
    const QString selectedKey = keys[selected];
    const bool modify = mode == u"6";
    const bool copy = mode == u"9";
    const bool pressesOk = leaveWith == u"Command1" || leaveWith.startsWith(u"Return");
    const bool stores = pressesOk && (modify || copy || mode == u"5");
    const bool tableRefuses = refusal == u"table";
    const QStringList emptied = refusal == u"all" ? boxNames
        : boxNames.contains(refusal)              ? QStringList {refusal}
                                                  : QStringList();
    QStringList entries = typed;
    for (const QString &name : emptied)
        entries[boxNames.indexOf(name)].clear();
    // OK looks the selected node up before anything else, the mode included.
    QStringList expected;
    if (pressesOk && selected != u"root")
        expected << "select * from ACCOUNT where ACCOUNT_no= " + selectedKey;
    if (stores)
        expected << (modify ? updateOf(selectedKey) : insertOf(keys[parent], copy));
    // What ran when the table refused: the key is not asked for.
    const QStringList refused = tableRefuses ? expected : QStringList();
    if (stores && !modify)
        expected << (copy ? "select max(ACCOUNT_no) from ACCOUNT"
                          : "select max(ACCOUNT_NO) from ACCOUNT");
    prepare(mode, selectedKey);
    QVERIFY(!tree()->node(keys["empty folder"])->expanded());
    tree()->setSelectedNode(tree()->node(selectedKey));
    SSNode *root = list().atNode = tree()->node("0");
    if (tableRefuses)
        refuseWrites(table(), modify ? "UPDATE" : "INSERT");
    const auto rowsBefore = allRows(table());
    const int nodesBefore = tree()->nodeCount();
    m_record->statements.clear();

    QVERIFY(showAndDrive(editor(), "AccountAdd", [&](QWidget *window) {
        fillBoxes(window, entries);
        QVERIFY(enterSignature(window, typedSignature, signatureLeftWith));
        QVERIFY(!Forms::sign().widget()->isVisible());
        if (!refusal.isEmpty()) {
            press(window, leaveWith);
            // The editor stays open with every entry, and nothing is stored.
            QVERIFY(window->isVisible());
            QCOMPARE(boxTexts(window), entries);
            QCOMPARE(Forms::sign().Text1()->toPlainText(), typedSignature);
            QCOMPARE(m_record->statements, refused);
            QCOMPARE(allRows(table()), rowsBefore);
            QCOMPARE(tree()->nodeCount(), nodesBefore);
            // A modify shows the new name before the row is written.
            QCOMPARE(tree()->node(keys["account"])->text(),
                modify && tableRefuses ? QStringLiteral("O'Mail") : QStringLiteral("Stored 'S'"));
            if (tableRefuses)
                allowWrites(table());
            for (const QString &name : emptied)
                typeText(control(window, name), typed.at(boxNames.indexOf(name)));
            m_record->statements.clear();
        }
        press(window, leaveWith);
        QCOMPARE(window->isVisible(), mode == u"x");
    }));

    verifyRefusal(*m_record, tableRefuses, refusal.isEmpty() ? QString() : emptyBoxMessage,
        !refusal.isEmpty() || mode == u"x");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_record->statements, expected);
    QCOMPARE(list().basAU, mode);
    QCOMPARE(list().basNodeKey, selectedKey);
    QCOMPARE(tree()->selectedNode(), tree()->node(selectedKey));
    QCOMPARE(tree()->node(keys["account at root"])->text(), QStringLiteral("Stored 'S'"));
    // The signature dialog outlives the editor, text and all; the next
    // command meets the editor as it was designed.
    QVERIFY(Forms::sign().isLoaded());
    QCOMPARE(Forms::sign().Text1()->toPlainText(), typedSignature);
    QVERIFY(!editor().isLoaded());
    QCOMPARE(editor().caption(), u"アカウント追加"_qs);
    QCOMPARE(boxTexts(editor().widget()), QStringList(boxNames.size(), QString()));

    // A new row or the changed one, the others as they were; a modify keeps
    // the parent, the kind and the HTML signature.
    const QString key = !stores ? QString() : modify ? selectedKey : newestKey();
    auto expectedRows = rowsBefore;
    if (stores && !modify)
        expectedRows.push_back({key});
    for (QStringList &row : expectedRows)
        if (row.front() == key)
            row = storedRowOf(key, keys[parent], modify ? "<b>html</b>" : copy ? " " : "");
    QCOMPARE(allRows(table()), expectedRows);
    QCOMPARE(tree()->nodeCount(), nodesBefore + (stores && !modify ? 1 : 0));
    QCOMPARE(tree()->node(keys["account"])->text(),
        stores && modify ? QStringLiteral("O'Mail") : QStringLiteral("Stored 'S'"));
    if (!stores)
        return;
    SSNode *node = tree()->node(key);
    QCOMPARE(node->text(), QStringLiteral("O'Mail"));
    QCOMPARE(node->parentNode(), tree()->node(keys[parent]));
    if (modify) {
        QCOMPARE(node->previousSibling(), tree()->node(before));
        QCOMPARE(list().atNode, root);
        return;
    }
    // A new node looks like a loaded account and comes last under its parent.
    QCOMPARE(node->parentNode()->firstChild()->lastSibling(), node);
    QVERIFY(node->parentNode()->expanded());
    QCOMPARE(node->image(), QStringLiteral("account"));
    QCOMPARE(node->expandedImage(), QString());
    QCOMPARE(node->markerText(), QString());
    QCOMPARE(node->foreground(0).color(), QColor(0, 80, 0));
    QCOMPARE(node->font(0).pointSizeF(), 10.0);
    QVERIFY(!node->font(0).bold());
    QCOMPARE(list().atNode, node);
}

void TestAccountAdd::blanksPassAndEmptyOptionalBoxesAreStoredEmpty()
{
    prepare("5", "0");

    QVERIFY(showAndDrive(editor(), "AccountAdd", [&](QWidget *window) {
        fillBoxes(window, QStringList {" ", "  ", "   ", "    "} + QStringList(12));
        // A stored row may hold a blank port; only typing is limited to digits.
        editor().textBox("Text5")->setText(" ");
        click(window, "Command1");
    }));

    QVERIFY(m_record->asked.isEmpty());
    QVERIFY(!editor().isLoaded());
    const QStringList row = QStringList {newestKey(), "0", "A", " ", "  ", "   ", "    ", " "};
    QCOMPARE(allRows(table()), std::vector<QStringList> {row + QStringList(13)});
}

void TestAccountAdd::thePortFilterPassesDigitsReturnAndBackspaceOnly()
{
    const QList<int> passing = {48, 53, 57, 13, 8};
    // Either side of the digits, letters, blank, punctuation, control codes,
    // Delete and the negative codes of double-byte characters.
    const QList<int> refused = {47, 58, 65, 122, 32, 46, 9, 10, 22, 27, 127, -1, -32096, -32768};
    for (const auto handler : {&AccountAdd::Text5_KeyPress, &AccountAdd::Text7_KeyPress})
        for (const int code : passing + refused) {
            qint16 keyAscii = qint16(code);
            (editor().*handler)(keyAscii);
            QCOMPARE(int(keyAscii), passing.contains(code) ? code : 0);
        }
    QCOMPARE(m_record->messages(), QStringList(2 * refused.size(), digitMessage));
    QCOMPARE(m_record->asked.front().buttons, MessageBox::Buttons::Ok);
    QCOMPARE(m_record->asked.front().icon, MessageBox::Icon::Exclamation);
}

void TestAccountAdd::typingIntoAPortBoxKeepsOnlyDigits_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("refused");
    QTest::newRow("non-digits") << QString("8a -0B.") << QString() << QString("80") << 5;
    QTest::newRow("backspace") << QString("123") << QString("backspace") << QString("12") << 0;
    QTest::newRow("a control character") << QString("12") << QString("paste") << QString("12") << 1;
    QTest::newRow("Escape, character 27")
        << QString("12") << QString("escape") << QString("12") << 1;
    QTest::newRow("a full-width digit") << u"1５"_qs << QString() << QString("1") << 1;
    QTest::newRow("input method") << QString("1") << QString("input method") << QString("123") << 1;
}

void TestAccountAdd::typingIntoAPortBoxKeepsOnlyDigits()
{
    QFETCH(QString, keys);
    QFETCH(QString, then);
    QFETCH(int, refused);
    prepare("5", "0");
    for (const QString box : {"Text5", "Text7"}) {
        QString shown;
        QVERIFY(showAndDrive(editor(), "AccountAdd", [&](QWidget *window) {
            QLineEdit *port = control(window, box);
            retype(port, keys);
            if (then == u"backspace") {
                QTest::keyClick(port, Qt::Key_Backspace);
            } else if (then == u"paste") {
                // Ctrl+V as a platform that gives the key no text delivers it.
                QApplication::clipboard()->setText("99");
                QTest::sendKeyEvent(QTest::Click, port, Qt::Key_V, QString(), Qt::ControlModifier);
            } else if (then == u"escape") {
                QTest::keyClick(port, Qt::Key_Escape);
                QVERIFY(window->isVisible());
            } else if (then == u"input method") {
                QInputMethodEvent input;
                input.setCommitString("2a3");
                QApplication::sendEvent(port, &input);
            }
            shown = port->text();
            click(window, "Command2");
        }));
        QTEST(shown, "kept");
    }
    QCOMPARE(m_record->messages(), QStringList(2 * refused, digitMessage));
}

void TestAccountAdd::theWindowsFontIsSmallerThanItsControls()
{
    // Loaded twice: a window loaded again after an unload is set up alike.
    for (int load = 0; load < 2; ++load) {
        editor().unload();
        QWidget *window = editor().widget();
        QCOMPARE(window->font().pointSizeF(), 8.25);
        QCOMPARE(window->font().family(), QStringLiteral("MS UI Gothic"));
        QCOMPARE(window->findChildren<QLineEdit *>().size(), boxNames.size());
        for (const QWidget *control : window->findChildren<QWidget *>())
            QVERIFY2(
                control->font().pointSizeF() == 9.75 && control->font().family() == u"MS UI Gothic",
                qPrintable(control->objectName()));
    }
}

void TestAccountAdd::dbSetDoublesEverySingleQuoteInPlace_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("quoted");
    textRow("no quote", "Mail", "Mail");
    textRow("at the ends, inside, doubled already", "'O'Neill''s'", "''O''Neill''''s''");
    textRow("other quotation marks", u"‘’＇\""_qs, u"‘’＇\""_qs);
}

void TestAccountAdd::dbSetDoublesEverySingleQuoteInPlace()
{
    QFETCH(QString, source);
    const QString result = DbSet(source);
    QTEST(result, "quoted");
    QTEST(source, "quoted");
}

QTEST_MAIN(TestAccountAdd)
#include "tst_accountadd.moc"
