// The account editor as the toolbar opens it: adding, modifying and copying
// a mail account, its required boxes, its port boxes and its signature.

#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/FormDialog.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>

using namespace DialogTest;

namespace {

AccountAdd &editor()
{
    return Forms::accountAdd();
}

SSTree *tree()
{
    return list().SSTree1();
}

const QString emptyBoxMessage = u"正確な文字を入力してください。"_qs;
const QString digitMessage = u"数字を入力してください。"_qs;

// The editor's text boxes and their columns, in the order of the controls.
const QStringList boxNames = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7",
    "Text8", "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber", "TextFaxNumber",
    "TextAddress1", "TextAddress2", "TextHandy"};
const QString storedColumns = "P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,"
                              "POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,"
                              "OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY";

// What the user types: a quote in every box that takes one (the port boxes
// take digits only).
const QStringList typed = {"O'Mail", "Ann 'A'", "ann'@x", "smtp'host", "25", "pop'host", "110",
    "u'id", "p'w", "Co'", "S'ec", "1'", "2'", "A'1", "A'2", "3'"};
const QString typedSignature = "Best,\nAnn";

// The insert as the editor must write it for the typed values.
QString insertOf(const QString &parent, bool copy)
{
    return "INSERT INTO ACCOUNT(" + storedColumns + ")  VALUES( '" + parent
        + "', 'A', 'O''Mail','Ann ''A''','ann''@x','smtp''host','25','pop''host','110',"
          "'u''id','p''w','Best,\nAnn',"
        + (copy ? "' ' ,'" : "'' ,'") + "Co''','S''ec','1''','2''','A''1','A''2','3''')";
}

// The row the typed values make.
QStringList storedRowOf(const QString &parent, bool copy)
{
    return QStringList {parent, "A"} + typed.mid(0, 9)
        + QStringList {typedSignature, copy ? " " : ""} + typed.mid(9);
}

QString lookupOf(const QString &key)
{
    return "select * from ACCOUNT where ACCOUNT_no= " + key;
}

QLineEdit *box(QWidget *window, const QString &name)
{
    return control(window, name);
}

void fillBoxes(QWidget *window, const QStringList &values)
{
    for (qsizetype i = 0; i < boxNames.size(); ++i)
        retype(box(window, boxNames.at(i)), values.at(i));
}

QStringList boxTexts(QWidget *window)
{
    QStringList texts;
    for (const QString &name : boxNames)
        texts << box(window, name)->text();
    return texts;
}

// Opens the signature dialog with the editor's button, replaces its text and
// closes it with the given button or the close box.
bool enterSignature(QWidget *window, const QString &text, const QString &closeWith = "Command1")
{
    bool ran = false;
    ModalDriver::whenShown(
        "Sign",
        [&](QWidget *signWindow) {
            auto *signature = control<QPlainTextEdit>(signWindow, "Text1");
            QTest::keyClick(signature, Qt::Key_A, Qt::ControlModifier);
            typeText(signature, text);
            if (closeWith == u"close")
                signWindow->close();
            else
                click(signWindow, closeWith);
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

    void savingANewAccountWritesTheInsertAndTheRow_data();
    void savingANewAccountWritesTheInsertAndTheRow();
    void aNewAccountsNodeLooksLikeALoadedAccount_data();
    void aNewAccountsNodeLooksLikeALoadedAccount();
    void modifyingWritesTheUpdateAndKeepsParentKindAndHtmlSignature();
    void everyRequiredBoxMustBeFilled_data();
    void everyRequiredBoxMustBeFilled();
    void okAfterFillingTheMissingBoxStoresOnce();
    void blanksPassAndEmptyOptionalBoxesAreStoredEmpty();
    void thePortFilterDecidesByCharacterCode_data();
    void thePortFilterDecidesByCharacterCode();
    void typingIntoAPortBoxKeepsOnlyDigits_data();
    void typingIntoAPortBoxKeepsOnlyDigits();
    void returnInAPortBoxReachesTheOkButton_data();
    void returnInAPortBoxReachesTheOkButton();
    void theSignatureLeftInTheSignatureDialogIsStored_data();
    void theSignatureLeftInTheSignatureDialogIsStored();
    void cancellingChangesNothingAndTheNextCommandMeetsAFreshEditor_data();
    void cancellingChangesNothingAndTheNextCommandMeetsAFreshEditor();
    void aFailingStatementKeepsTheEditorOpenWithEveryEntry_data();
    void aFailingStatementKeepsTheEditorOpenWithEveryEntry();
    void aModeThatIsNoAccountModeWritesNothing_data();
    void aModeThatIsNoAccountModeWritesNothing();
    void theWindowsFontIsSmallerThanItsControls_data();
    void theWindowsFontIsSmallerThanItsControls();
    void dbSetDoublesEverySingleQuoteInPlace_data();
    void dbSetDoublesEverySingleQuoteInPlace();

private:
    // An account row with a value in every column, as the host's table holds them.
    QString storeAccount(const QString &parent);
    // What the toolbar does before it shows the editor: the mode, the
    // presets or the stored values, the signature and the caption.
    void prepare(const QString &mode, const QString &nodeKey);
    bool drive(const std::function<void(QWidget *)> &action);
    QStringList storedRow(const QString &key);

    // Made on first use, so the tests that need no table cost no database.
    TestDatabase &table();

    std::unique_ptr<TestDatabase> m_table;
    int m_engine = 0;
    QList<MessageBox::Request> m_messages;
    QStringList m_statements;
};

void TestAccountAdd::init()
{
    QFETCH_GLOBAL(int, engine);
    const QString why = TestDatabase::unavailable(Engine(engine));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    // The tests that run no statement need one engine only.
    static const QSet<QByteArray> engineFree
        = {"everyRequiredBoxMustBeFilled", "thePortFilterDecidesByCharacterCode",
            "typingIntoAPortBoxKeepsOnlyDigits", "returnInAPortBoxReachesTheOkButton",
            "theWindowsFontIsSmallerThanItsControls", "dbSetDoublesEverySingleQuoteInPlace"};
    if (Engine(engine) != Engine::SQLite && engineFree.contains(QTest::currentTestFunction()))
        QSKIP("Runs no statement: the engine plays no part");
    m_engine = engine;
    m_messages.clear();
    m_statements.clear();
    MessageBox::setAnswerer([this](const MessageBox::Request &request) {
        m_messages << request;
        return MessageBox::Answer::Ok;
    });
    Connection::setTraceHook([this](const QString &statement) { m_statements << statement; });
}

void TestAccountAdd::cleanup()
{
    ModalDriver::closeAllModals();
    editor().unload();
    list().unload();
    MessageBox::setAnswerer({});
    Connection::setTraceHook({});
    m_table.reset();
    QVERIFY(!editor().isLoaded());
    QVERIFY(!Forms::sign().isLoaded());
    QCOMPARE(visibleWindows(), QStringList());
}

TestDatabase &TestAccountAdd::table()
{
    if (!m_table)
        m_table = std::make_unique<TestDatabase>(Engine(m_engine));
    return *m_table;
}

QString TestAccountAdd::storeAccount(const QString &parent)
{
    table().db().execute("INSERT INTO ACCOUNT(" + storedColumns + ") VALUES(" + parent
        + ",'A','Stored ''S''','Ann ''A''','ann''@x','smtp''host','2''5','pop''host','1''10',"
          "'u''id','p''w','Ann''s sig','<b>html</b>','Co''','S''ec','1''','2''','A''1',"
          "'A''2','3''')");
    return table().value("select max(ACCOUNT_NO) from ACCOUNT");
}

QStringList TestAccountAdd::storedRow(const QString &key)
{
    const auto rows
        = table().rows("select " + storedColumns + " from ACCOUNT where ACCOUNT_NO = " + key);
    return rows.empty() ? QStringList() : rows.front();
}

void TestAccountAdd::prepare(const QString &mode, const QString &nodeKey)
{
    loadList(table());
    list().basAU = mode;
    list().basNodeKey = nodeKey;
    if (mode == u"5") {
        editor().Text5()->setText("25");
        editor().Text7()->setText("110");
        Forms::sign().Text1()->setPlainText(QString());
        editor().setCaption(u"アカウント追加"_qs);
        return;
    }
    const auto rows = table().rows(
        "select NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,POP_HOST,POP_PORT,USERID,"
        "PSWD,OFFICE_NAME,OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,"
        "HANDY,TEXT_SIG from ACCOUNT where ACCOUNT_NO = "
        + nodeKey);
    const QStringList row = rows.empty() ? QStringList() : rows.front();
    for (qsizetype i = 0; i < boxNames.size() && i < row.size(); ++i)
        if (!row.at(i).isEmpty())
            editor().widget()->findChild<QLineEdit *>(boxNames.at(i))->setText(row.at(i));
    Forms::sign().Text1()->setPlainText(row.value(16));
    editor().setCaption(mode == u"6" ? u"アカウント修正"_qs : u"アカウント複写"_qs);
}

bool TestAccountAdd::drive(const std::function<void(QWidget *)> &action)
{
    m_statements.clear();
    return showAndDrive(editor(), "AccountAdd", action);
}

void TestAccountAdd::savingANewAccountWritesTheInsertAndTheRow_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("parent");
    QTest::newRow("add under the root") << "5"
                                        << "root"
                                        << "root";
    QTest::newRow("add into a folder") << "5"
                                       << "folder"
                                       << "folder";
    QTest::newRow("copy beside an account in a folder") << "9"
                                                        << "account in folder"
                                                        << "folder";
    QTest::newRow("copy beside an account under the root") << "9"
                                                           << "account at root"
                                                           << "root";
}

void TestAccountAdd::savingANewAccountWritesTheInsertAndTheRow()
{
    QFETCH(QString, mode);
    QFETCH(QString, selected);
    QFETCH(QString, parent);
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table().addFolder("0", "Folder");
    keys["account in folder"] = storeAccount(keys["folder"]);
    keys["account at root"] = storeAccount("0");
    const bool copy = mode == u"9";
    prepare(mode, keys[selected]);
    const auto rowsBefore = allRows(table());

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        QVERIFY(enterSignature(window, typedSignature));
        click(window, "Command1");
    }));

    QVERIFY(!editor().isLoaded());
    QVERIFY(m_messages.isEmpty());
    QStringList expected;
    if (selected != u"root")
        expected << lookupOf(keys[selected]);
    expected << insertOf(keys[parent], copy)
             << (copy ? "select max(ACCOUNT_no) from ACCOUNT"
                      : "select max(ACCOUNT_NO) from ACCOUNT");
    QCOMPARE(m_statements, expected);
    const QString key = table().value("select max(ACCOUNT_NO) from ACCOUNT");
    QCOMPARE(storedRow(key), storedRowOf(keys[parent], copy));
    auto rowsAfter = allRows(table());
    QCOMPARE(rowsAfter.size(), rowsBefore.size() + 1);
    rowsAfter.pop_back();
    QCOMPARE(rowsAfter, rowsBefore);
}

void TestAccountAdd::aNewAccountsNodeLooksLikeALoadedAccount_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("selected");
    QTest::newRow("add under the root") << "5"
                                        << "root";
    QTest::newRow("add into a folder") << "5"
                                       << "folder";
    QTest::newRow("add into an empty folder") << "5"
                                              << "empty folder";
    QTest::newRow("copy beside an account") << "9"
                                            << "account";
}

void TestAccountAdd::aNewAccountsNodeLooksLikeALoadedAccount()
{
    QFETCH(QString, mode);
    QFETCH(QString, selected);
    QHash<QString, QString> keys = {{"root", "0"}};
    keys["folder"] = table().addFolder("0", "Folder");
    keys["account"] = storeAccount(keys["folder"]);
    table().addAccount(keys["folder"], "Last before");
    keys["empty folder"] = table().addFolder(keys["folder"], "Empty");
    const QString selectedKey = keys[selected];
    const QString parent = selected == u"account" ? keys["folder"] : selectedKey;
    prepare(mode, selectedKey);
    if (selected == u"empty folder")
        QVERIFY(!tree()->node(parent)->expanded());
    tree()->setSelectedNode(tree()->node(selectedKey));
    const int nodesBefore = tree()->nodeCount();

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        click(window, "Command1");
    }));

    const QString key = table().value("select max(ACCOUNT_NO) from ACCOUNT");
    QCOMPARE(tree()->nodeCount(), nodesBefore + 1);
    SSNode *node = tree()->node(key);
    QCOMPARE(node->text(), QStringLiteral("O'Mail"));
    QCOMPARE(node->parentNode(), tree()->node(parent));
    QCOMPARE(tree()->node(parent)->firstChild()->lastSibling(), node);
    QVERIFY(node->parentNode()->expanded());
    QCOMPARE(node->image(), QStringLiteral("account"));
    QCOMPARE(node->expandedImage(), QString());
    QCOMPARE(node->markerText(), QString());
    QCOMPARE(node->foreground(0).color(), QColor(0, 80, 0));
    QCOMPARE(node->font(0).pointSizeF(), 10.0);
    QCOMPARE(node->font(0).bold(), false);
    QCOMPARE(list().atNode, node);
    QCOMPARE(list().basNodeKey, selectedKey);
    QCOMPARE(tree()->selectedNode(), tree()->node(selectedKey));
    if (mode == u"9")
        QCOMPARE(tree()->node(keys["account"])->text(), QStringLiteral("Stored 'S'"));
}

void TestAccountAdd::modifyingWritesTheUpdateAndKeepsParentKindAndHtmlSignature()
{
    const QString folder = table().addFolder("0", "Folder");
    const QString before = table().addAccount(folder, "Before");
    const QString account = storeAccount(folder);
    table().addAccount(folder, "After");
    prepare("6", account);
    SSNode *root = tree()->node("0");
    list().atNode = root;
    const auto rowsBefore = allRows(table());
    QString signatureShown;

    QVERIFY(drive([&](QWidget *window) {
        signatureShown = Forms::sign().Text1()->toPlainText();
        retype(box(window, "Text1"), "Mail 'B'");
        click(window, "Command1");
    }));

    QCOMPARE(signatureShown, QStringLiteral("Anns sig"));
    QCOMPARE(m_statements,
        (QStringList {lookupOf(account),
            "UPDATE ACCOUNT SET NAME='Mail ''B''', SENDER = 'Ann ''A''', MAIL_ADDRESS = 'ann''@x', "
            "SMTP_HOST = 'smtp''host', SMTP_PORT = '2''5', POP_HOST = 'pop''host', "
            "POP_PORT = '1''10', USERID = 'u''id', PSWD = 'p''w', TEXT_SIG = 'Anns sig', "
            "OFFICE_NAME = 'Co''', OFFICE_SECTION = 'S''ec', TEL_NUMBER = '1''', "
            "FAX_NUMBER = '2''', ADDRESS1 = 'A''1', ADDRESS2 = 'A''2', HANDY = '3'''where "
            "ACCOUNT_NO= "
                + account}));
    QCOMPARE(storedRow(account),
        (QStringList {folder, "A", "Mail 'B'", "Ann 'A'", "ann'@x", "smtp'host", "2'5", "pop'host",
            "1'10", "u'id", "p'w", "Anns sig", "<b>html</b>", "Co'", "S'ec", "1'", "2'", "A'1",
            "A'2", "3'"}));
    auto rowsAfter = allRows(table());
    QCOMPARE(rowsAfter.size(), rowsBefore.size());
    for (size_t i = 0; i < rowsAfter.size(); ++i)
        if (rowsAfter[i].front() != account)
            QCOMPARE(rowsAfter[i], rowsBefore[i]);
    SSNode *node = tree()->node(account);
    QCOMPARE(node->text(), QStringLiteral("Mail 'B'"));
    QCOMPARE(node->parentNode(), tree()->node(folder));
    QCOMPARE(node->previousSibling(), tree()->node(before));
    QCOMPARE(list().atNode, root);
    QVERIFY(!editor().isLoaded());
}

void TestAccountAdd::everyRequiredBoxMustBeFilled_data()
{
    QTest::addColumn<QStringList>("emptied");
    QTest::newRow("account name") << QStringList {"Text1"};
    QTest::newRow("sender name") << QStringList {"Text2"};
    QTest::newRow("sender address") << QStringList {"Text3"};
    QTest::newRow("SMTP server") << QStringList {"Text4"};
    QTest::newRow("SMTP port") << QStringList {"Text5"};
    QTest::newRow("name and port") << QStringList {"Text1", "Text5"};
    QTest::newRow("three in the middle") << QStringList {"Text2", "Text3", "Text4"};
    QTest::newRow("all five") << QStringList {"Text1", "Text2", "Text3", "Text4", "Text5"};
    QTest::newRow("every box") << boxNames;
}

void TestAccountAdd::everyRequiredBoxMustBeFilled()
{
    QFETCH(QStringList, emptied);
    const QString folder = table().addFolder("0", "Folder");
    prepare("5", folder);
    const auto rowsBefore = allRows(table());
    QStringList entries = typed;
    for (const QString &name : emptied)
        entries[boxNames.indexOf(name)].clear();
    bool stayedOpen = false;
    QStringList shown;
    QStringList statements;

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, entries);
        click(window, "Command1");
        stayedOpen = window->isVisible();
        shown = boxTexts(window);
        statements = m_statements;
    }));

    QVERIFY(stayedOpen);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.front().text, emptyBoxMessage);
    QCOMPARE(m_messages.front().buttons, MessageBox::Buttons::Ok);
    QCOMPARE(m_messages.front().icon, MessageBox::Icon::None);
    QVERIFY(statements.isEmpty());
    QCOMPARE(shown, entries);
    QCOMPARE(allRows(table()), rowsBefore);
}

void TestAccountAdd::okAfterFillingTheMissingBoxStoresOnce()
{
    prepare("5", "0");
    QStringList entries = typed;
    entries[2].clear();
    bool stayedOpen = false;

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, entries);
        click(window, "Command1");
        stayedOpen = window->isVisible();
        typeText(box(window, "Text3"), "ann'@x");
        click(window, "Command1");
    }));

    QVERIFY(stayedOpen);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!editor().isLoaded());
    QCOMPARE(table().rowCount(), 1);
    QCOMPARE(table().value("select MAIL_ADDRESS from ACCOUNT"), QStringLiteral("ann'@x"));
    QCOMPARE(tree()->nodeCount(), 2);
}

void TestAccountAdd::blanksPassAndEmptyOptionalBoxesAreStoredEmpty()
{
    prepare("5", "0");
    const QStringList entries
        = {" ", "  ", "   ", "    ", "", "", "", "", "", "", "", "", "", "", "", ""};

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, entries);
        // A stored row may hold a blank port; only typing is limited to digits.
        editor().Text5()->setText(" ");
        click(window, "Command1");
    }));

    QVERIFY(m_messages.isEmpty());
    QVERIFY(!editor().isLoaded());
    QCOMPARE(table().rowCount(), 1);
    QCOMPARE(storedRow(table().value("select max(ACCOUNT_NO) from ACCOUNT")),
        (QStringList {"0", "A", " ", "  ", "   ", "    ", " ", "", "", "", "", "", "", "", "", "",
            "", "", "", ""}));
}

void TestAccountAdd::thePortFilterDecidesByCharacterCode_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("passes");
    const QList<std::tuple<const char *, int, bool>> codes = {
        {"0", 48, true},
        {"5", 53, true},
        {"9", 57, true},
        {"carriage return", 13, true},
        {"backspace", 8, true},
        {"slash, below 0", 47, false},
        {"colon, above 9", 58, false},
        {"letter A", 65, false},
        {"letter z", 122, false},
        {"blank", 32, false},
        {"full stop", 46, false},
        {"minus", 45, false},
        {"tab", 9, false},
        {"line feed", 10, false},
        {"Ctrl+V", 22, false},
        {"escape", 27, false},
        {"delete", 127, false},
        {"minus one", -1, false},
        {"a double-byte character", -32096, false},
        {"smallest code", -32768, false},
    };
    for (const char *name : {"Text5", "Text7"})
        for (const auto &[label, code, passes] : codes)
            QTest::addRow("%s %s", name, label) << QString::fromLatin1(name) << code << passes;
}

void TestAccountAdd::thePortFilterDecidesByCharacterCode()
{
    QFETCH(QString, box);
    QFETCH(int, code);
    QFETCH(bool, passes);
    qint16 keyAscii = qint16(code);
    if (box == u"Text5")
        editor().Text5_KeyPress(keyAscii);
    else
        editor().Text7_KeyPress(keyAscii);

    QCOMPARE(int(keyAscii), passes ? code : 0);
    QCOMPARE(m_messages.size(), passes ? 0 : 1);
    if (!passes) {
        QCOMPARE(m_messages.front().text, digitMessage);
        QCOMPARE(m_messages.front().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(m_messages.front().icon, MessageBox::Icon::Exclamation);
    }
}

void TestAccountAdd::typingIntoAPortBoxKeepsOnlyDigits_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("refused");
    for (const char *name : {"Text5", "Text7"}) {
        const QString box = QString::fromLatin1(name);
        QTest::addRow("%s digits", name) << box << "8080"
                                         << ""
                                         << "8080" << 0;
        QTest::addRow("%s letters between digits", name) << box << "8a0B"
                                                         << ""
                                                         << "80" << 2;
        QTest::addRow("%s a blank", name) << box << "1 2"
                                          << ""
                                          << "12" << 1;
        QTest::addRow("%s punctuation", name) << box << "1-2.3"
                                              << ""
                                              << "123" << 2;
        QTest::addRow("%s backspace", name) << box << "123"
                                            << "backspace"
                                            << "12" << 0;
        QTest::addRow("%s a control character", name) << box << "12"
                                                      << "paste"
                                                      << "12" << 1;
        QTest::addRow("%s a full-width digit", name) << box << u"1５"_qs << ""
                                                     << "1" << 1;
        QTest::addRow("%s an input method's text", name) << box << "1"
                                                         << "input method"
                                                         << "123" << 1;
    }
}

void TestAccountAdd::typingIntoAPortBoxKeepsOnlyDigits()
{
    QFETCH(QString, box);
    QFETCH(QString, keys);
    QFETCH(QString, then);
    QString shown;
    prepare("5", "0");

    QVERIFY(drive([&](QWidget *window) {
        QLineEdit *port = ::box(window, box);
        retype(port, keys);
        if (then == u"backspace") {
            QTest::keyClick(port, Qt::Key_Backspace);
        } else if (then == u"paste") {
            // Ctrl+V as a platform that gives the key no text delivers it.
            QApplication::clipboard()->setText("99");
            QTest::sendKeyEvent(QTest::Click, port, Qt::Key_V, QString(), Qt::ControlModifier);
        } else if (then == u"input method") {
            QInputMethodEvent input;
            input.setCommitString("2a3");
            QApplication::sendEvent(port, &input);
        }
        shown = port->text();
        click(window, "Command2");
    }));

    QTEST(shown, "kept");
    QTEST(int(m_messages.size()), "refused");
    for (const MessageBox::Request &message : std::as_const(m_messages)) {
        QCOMPARE(message.text, digitMessage);
        QCOMPARE(message.icon, MessageBox::Icon::Exclamation);
    }
}

void TestAccountAdd::returnInAPortBoxReachesTheOkButton_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("SMTP port") << "Text5";
    QTest::newRow("POP port") << "Text7";
}

void TestAccountAdd::returnInAPortBoxReachesTheOkButton()
{
    QFETCH(QString, box);
    prepare("5", "0");

    QVERIFY(drive([&](QWidget *window) {
        QTest::keyClick(::box(window, box), Qt::Key_Return);
        click(window, "Command2");
    }));

    // The account name is empty: OK answers, not the port filter.
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.front().text, emptyBoxMessage);
}

void TestAccountAdd::theSignatureLeftInTheSignatureDialogIsStored_data()
{
    QTest::addColumn<QString>("closeWith");
    QTest::newRow("OK") << "Command1";
    QTest::newRow("cancel") << "Command2";
    QTest::newRow("close box") << "close";
}

void TestAccountAdd::theSignatureLeftInTheSignatureDialogIsStored()
{
    QFETCH(QString, closeWith);
    prepare("5", "0");
    bool signatureClosed = false;

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        QVERIFY(enterSignature(window, "Regards,\nAnn", closeWith));
        signatureClosed = !Forms::sign().widget()->isVisible();
        click(window, "Command1");
    }));

    QVERIFY(signatureClosed);
    QCOMPARE(table().value("select TEXT_SIG from ACCOUNT"), QStringLiteral("Regards,\nAnn"));
    // The signature dialog outlives the editor, text and all.
    QVERIFY(Forms::sign().isLoaded());
    QCOMPARE(Forms::sign().Text1()->toPlainText(), QStringLiteral("Regards,\nAnn"));
}

void TestAccountAdd::cancellingChangesNothingAndTheNextCommandMeetsAFreshEditor_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("how");
    QTest::newRow("add, cancel button") << "5"
                                        << "Command2";
    QTest::newRow("add, close box") << "5"
                                    << "close";
    QTest::newRow("modify, cancel button") << "6"
                                           << "Command2";
    QTest::newRow("copy, Escape") << "9"
                                  << "Escape";
}

void TestAccountAdd::cancellingChangesNothingAndTheNextCommandMeetsAFreshEditor()
{
    QFETCH(QString, mode);
    QFETCH(QString, how);
    const QString account = storeAccount("0");
    prepare(mode, mode == u"5" ? "0" : account);
    const auto rowsBefore = allRows(table());
    const int nodesBefore = tree()->nodeCount();

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        QVERIFY(enterSignature(window, "typed here"));
        if (how == u"close")
            window->close();
        else if (how == u"Escape")
            QTest::keyClick(box(window, "Text1"), Qt::Key_Escape);
        else
            click(window, how);
    }));

    QVERIFY(!editor().isLoaded());
    QVERIFY(m_statements.isEmpty());
    QCOMPARE(allRows(table()), rowsBefore);
    QCOMPARE(tree()->nodeCount(), nodesBefore);
    QCOMPARE(tree()->node(account)->text(), QStringLiteral("Stored 'S'"));
    QCOMPARE(list().basAU, mode);
    QCOMPARE(Forms::sign().Text1()->toPlainText(), QStringLiteral("typed here"));
    QCOMPARE(editor().caption(), u"アカウント追加"_qs);
    for (const QString &name : boxNames)
        QCOMPARE(editor().widget()->findChild<QLineEdit *>(name)->text(), QString());
}

void TestAccountAdd::aFailingStatementKeepsTheEditorOpenWithEveryEntry_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("add") << "5";
    QTest::newRow("copy") << "9";
    QTest::newRow("modify") << "6";
}

void TestAccountAdd::aFailingStatementKeepsTheEditorOpenWithEveryEntry()
{
    QFETCH(QString, mode);
    const QString folder = table().addFolder("0", "Folder");
    const QString account = storeAccount(folder);
    prepare(mode, mode == u"5" ? folder : account);
    refuseWrites(table(), mode == u"6" ? "UPDATE" : "INSERT");
    const auto rowsBefore = allRows(table());
    const int nodesBefore = tree()->nodeCount();
    bool stayedOpen = false;
    QStringList shown;
    QString signatureShown;
    std::vector<QStringList> rowsAfterFailure;
    int nodesAfterFailure = 0;
    QString accountTextAfterFailure;

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        QVERIFY(enterSignature(window, typedSignature));
        click(window, "Command1");
        stayedOpen = window->isVisible();
        shown = boxTexts(window);
        signatureShown = Forms::sign().Text1()->toPlainText();
        rowsAfterFailure = allRows(table());
        nodesAfterFailure = tree()->nodeCount();
        accountTextAfterFailure = tree()->node(account)->text();
        allowWrites(table());
        click(window, "Command1");
    }));

    QVERIFY(stayedOpen);
    QCOMPARE(shown, typed);
    QCOMPARE(signatureShown, typedSignature);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.front().text.contains("refused"), qPrintable(m_messages.front().text));
    QCOMPARE(rowsAfterFailure, rowsBefore);
    QCOMPARE(nodesAfterFailure, nodesBefore);
    // A modify shows the new name before the row is written.
    QCOMPARE(accountTextAfterFailure,
        mode == u"6" ? QStringLiteral("O'Mail") : QStringLiteral("Stored 'S'"));

    QVERIFY(!editor().isLoaded());
    if (mode == u"6") {
        QCOMPARE(allRows(table()).size(), rowsBefore.size());
        QCOMPARE(storedRow(account).mid(2, 3), (QStringList {"O'Mail", "Ann 'A'", "ann'@x"}));
    } else {
        QCOMPARE(allRows(table()).size(), rowsBefore.size() + 1);
        QCOMPARE(tree()->nodeCount(), nodesBefore + 1);
    }
}

void TestAccountAdd::aModeThatIsNoAccountModeWritesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("closes");
    QTest::newRow("a folder mode") << "1" << true;
    QTest::newRow("not a number") << "x" << false;
}

void TestAccountAdd::aModeThatIsNoAccountModeWritesNothing()
{
    QFETCH(QString, mode);
    QFETCH(bool, closes);
    const QString folder = table().addFolder("0", "Folder");
    prepare("5", folder);
    list().basAU = mode;
    const auto rowsBefore = allRows(table());
    const int nodesBefore = tree()->nodeCount();
    bool closed = false;

    QVERIFY(drive([&](QWidget *window) {
        fillBoxes(window, typed);
        click(window, "Command1");
        closed = !window->isVisible();
    }));

    QCOMPARE(closed, closes);
    QCOMPARE(m_messages.size(), closes ? 0 : 1);
    QCOMPARE(m_statements, QStringList {lookupOf(folder)});
    QCOMPARE(allRows(table()), rowsBefore);
    QCOMPARE(tree()->nodeCount(), nodesBefore);
}

void TestAccountAdd::theWindowsFontIsSmallerThanItsControls_data()
{
    QTest::addColumn<bool>("reloaded");
    QTest::newRow("first load") << false;
    QTest::newRow("after an unload") << true;
}

void TestAccountAdd::theWindowsFontIsSmallerThanItsControls()
{
    QFETCH(bool, reloaded);
    QWidget *window = editor().widget();
    if (reloaded) {
        editor().unload();
        window = editor().widget();
    }
    QCOMPARE(window->font().pointSizeF(), 8.25);
    QCOMPARE(window->font().family(), QStringLiteral("MS UI Gothic"));
    const QList<QWidget *> controls = window->findChildren<QWidget *>();
    QVERIFY(controls.size() >= boxNames.size());
    for (const QWidget *control : controls) {
        QVERIFY2(control->font().pointSizeF() == 9.75, qPrintable(control->objectName()));
        QVERIFY2(control->font().family() == u"MS UI Gothic", qPrintable(control->objectName()));
    }
}

void TestAccountAdd::dbSetDoublesEverySingleQuoteInPlace_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no quote") << "Mail"
                              << "Mail";
    QTest::newRow("one quote") << "'"
                               << "''";
    QTest::newRow("a name") << "O'Neill's"
                            << "O''Neill''s";
    QTest::newRow("doubled already") << "''"
                                     << "''''";
    QTest::newRow("at both ends") << "'x'"
                                  << "''x''";
    QTest::newRow("other quotation marks") << u"‘’＇\""_qs << u"‘’＇\""_qs;
}

void TestAccountAdd::dbSetDoublesEverySingleQuoteInPlace()
{
    QFETCH(QString, source);
    const QString result = AccountAdd::DbSet(source);
    QTEST(result, "quoted");
    QTEST(source, "quoted");
}

QTEST_MAIN(TestAccountAdd)
#include "tst_accountadd.moc"
