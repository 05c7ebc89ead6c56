// The account list's dialogs as its toolbar opens them, and what the code
// adds to their Designer layouts.

#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "ui/FormDialog.h"
#include "ui/Images.h"
#include "ui/Look.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <optional>

using namespace DialogTest;

namespace {

// In the order of the columns they fill: a quote in most boxes that take one,
// a required box of blanks alone and an optional box left empty.
const QStringList boxNames = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7",
    "Text8", "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber", "TextFaxNumber",
    "TextAddress1", "TextAddress2", "TextHandy"};
const QStringList typed = {"O'Mail", "  ", "ann'@x", "smtp'host", "25", "pop'host", "110", "u'id",
    "p'w", "Co'", "S'ec", "1'", "2'", "A'1", "A'2", ""};
// A folder name as the box keeps and the table stores it: the apostrophe
// typed in front of "%2%1" goes, the other quotation marks stay.
const QString folderName = u"営業‘’＇\" %2%1"_qs;

// What OK runs after any lookup: an insert under the key, or an update of it.
QStringList storing(const QString &mode, const QString &key)
{
    if (mode == u"1")
        return {"INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( " + key + " ,'F','"
                + folderName + "')",
            "select max(ACCOUNT_no) from ACCOUNT"};
    if (mode == u"2")
        return {"UPDATE ACCOUNT SET NAME='" + folderName + "' where ACCOUNT_NO= " + key + " "};
    if (mode == u"6")
        return {"UPDATE ACCOUNT SET NAME='O''Mail', SENDER = '  ', MAIL_ADDRESS = "
                "'ann''@x', SMTP_HOST = 'smtp''host', SMTP_PORT = '25', POP_HOST = 'pop''host', "
                "POP_PORT = '110', USERID = 'u''id', PSWD = 'p''w', TEXT_SIG = 'Best,\r\nAnn', "
                "OFFICE_NAME = 'Co''', OFFICE_SECTION = 'S''ec', TEL_NUMBER = '1''', FAX_NUMBER "
                "= '2''', ADDRESS1 = 'A''1', ADDRESS2 = 'A''2', HANDY = ''where ACCOUNT_NO= "
            + key};
    return {"INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,"
            "POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,OFFICE_SECTION,"
            "TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '"
            + key + "', 'A', 'O''Mail','  ','ann''@x','smtp''host','25','pop''host',"
            + "'110','u''id','p''w','Best,\r\nAnn'," + (mode == u"9" ? "' '" : "''")
            + " ,'Co''','S''ec','1''','2''','A''1','A''2','')",
        mode == u"9" ? "select max(ACCOUNT_no) from ACCOUNT"
                     : "select max(ACCOUNT_NO) from ACCOUNT"};
}

template <typename... Texts> void textRow(const QByteArray &tag, const Texts &...texts)
{
    (QTest::newRow(tag.constData()) << ... << QString(texts));
}

// A button's name, "Return in" a box, or "close": Escape, which closes
// nothing, then the close box.
void leave(QWidget *window, const QString &how)
{
    if (how.startsWith(u"Return in ")) {
        QTest::keyClick(control(window, how.mid(10)), Qt::Key_Return);
    } else if (how == u"close") {
        QTest::keyClick(window->findChild<QWidget *>("Text1"), Qt::Key_Escape);
        QVERIFY(window->isVisible());
        window->close();
    } else {
        click(window, how);
    }
}

} // namespace

class TestAccountAdd : public QObject {
    Q_OBJECT

    static SSTree *tree() { return list().SSTree1(); }
    TestDatabase &table() { return *m_table; }
    QString newestKey() { return table().value("select max(ACCOUNT_NO) from ACCOUNT"); }

    std::unique_ptr<TestDatabase> m_table;
    std::optional<Recording> m_record;

private Q_SLOTS:
    void initTestCase_data()
    {
        applyJapaneseLook();
        engineRows();
    }

    void init()
    {
        QFETCH_GLOBAL(int, engine);
        m_table = tableOn(Engine(engine));
        if (!m_table)
            QSKIP(noServer);
        if (Engine(engine) != Engine::SQLite
            && qstrcmp(QTest::currentTestFunction(), "okStoresTheRowAndTheNode"))
            QSKIP("Runs no statement of its own: the engine plays no part");
        m_record.emplace();
    }

    void cleanup()
    {
        closeWindows();
        // The list takes the signature dialog with it.
        QVERIFY(!Forms::sign().isLoaded());
        Forms::accountAdd().unload();
        Forms::folderAdd().unload();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void okStoresTheRowAndTheNode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("parent");
        // What refuses the first OK: an empty required box ("all": all), or the table.
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("leaveWith");
        // However the signature dialog is left, what it holds is stored.
        QTest::addColumn<QString>("signLeftWith");
        const char *ok = "Command1";
        textRow("add at the root", "5", "root", "root", "", ok, "Command1");
        textRow("add into a closed folder", "5", "closed", "closed", "", ok, "close");
        textRow("copy", "9", "account", "folder", "", "Return in Text5", "Command2");
        textRow("modify", "6", "account", "folder", "", "Return in Text7", "close");
        for (const QString &name : boxNames.mid(0, 5))
            textRow("empty " + name.toLatin1(), "5", "folder", "folder", name, "close", "Command1");
        textRow("modify, all empty", "6", "account", "folder", "all", "Command2", "Command1");
        textRow("add, table refuses", "5", "folder", "folder", "table", ok, "Command1");
        textRow("modify, table refuses", "6", "account", "folder", "table", ok, "Command1");
        textRow("add, cancel button", "5", "root", "root", "", "Command2", "Command1");
        textRow("copy, close box", "9", "account", "folder", "", "close", "Command1");
        ok = "Command2";
        textRow("folder at the root", "1", "root", "root", "", ok, "");
        textRow("folder into a closed folder", "1", "closed", "closed", "", "Return in Text1", "");
        textRow("rename", "2", "folder", "root", "", ok, "");
        textRow("folder, empty name", "1", "folder", "folder", "Text1", "Command3", "");
        textRow("folder, table refuses", "1", "folder", "folder", "table", ok, "");
        textRow("rename, table refuses", "2", "folder", "root", "table", ok, "");
        textRow("rename, cancel button", "2", "folder", "root", "", "Command3", "");
    }

    void okStoresTheRowAndTheNode()
    {
        QFETCH(QString, mode);
        QFETCH(QString, selected);
        QFETCH(QString, parent);
        QFETCH(QString, refusal);
        QFETCH(QString, leaveWith);
        QFETCH(QString, signLeftWith);
        QHash<QString, QString> keys = {{"root", "0"}, {"folder", table().addFolder("0", "Bob's")}};
        const QString before = table().addAccount(keys["folder"], "Before");
        table().db().execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,HTML_SIG) VALUES("
            + keys["folder"] + ",'A','Stored','<b>html</b>')");
        keys["account"] = newestKey();
        keys["closed"] = table().addFolder(keys["folder"], "Closed");
        const bool folder = mode == u"1" || mode == u"2", renames = mode == u"2" || mode == u"6";
        const QString ok = folder ? "Command2" : "Command1";
        const bool stores = leaveWith == ok || leaveWith.startsWith(u"Return");
        const QStringList names = folder ? QStringList {"Text1"} : boxNames;
        QStringList entries = folder ? QStringList {"%2%1"} : typed;
        for (qsizetype i = 0; i < names.size(); ++i)
            if (refusal == u"all" || refusal == names.at(i))
                entries[i].clear();
        const QString name = folder ? folderName : typed.front();

        loadList(table());
        list().basAU = mode;
        list().basNodeKey = keys[selected];
        // The node a rename changes, and its text before.
        SSNode *renamed = tree()->node(keys[folder ? "folder" : "account"]);
        const QString oldName = renamed->text();
        if (mode == u"2")
            Forms::folderAdd().Text1()->setText(oldName);
        tree()->setSelectedNode(tree()->node(keys[selected]));
        if (refusal == u"table")
            refuseWrites(table(), renames ? "UPDATE" : "INSERT");
        const auto rowsBefore = allRows(table());
        const int nodesBefore = tree()->nodeCount();
        m_record->statements.clear();

        Form &shown = folder ? static_cast<Form &>(Forms::folderAdd()) : Forms::accountAdd();
        QVERIFY(showAndDrive(shown, folder ? "FolderAdd" : "AccountAdd", [&](QWidget *window) {
            // The folder's name as the toolbar put it there, less its apostrophe.
            QCOMPARE(control(window, "Text1")->text(), mode == u"2" ? "Bobs" : "");
            for (qsizetype i = 0; i < names.size(); ++i)
                retype(control(window, names.at(i)), entries.at(i));
            if (folder && !entries.front().isEmpty()) {
                QTest::keyClick(control(window, "Text1"), Qt::Key_Home);
                typeText(control(window, "Text1"), u"営'業‘’＇\" "_qs);
            }
            bool signRan = folder;
            if (!folder) {
                ModalDriver::whenShown(
                    "Sign",
                    [&](QWidget *sign) {
                        // In front of what is there: the caret stays where the typing goes.
                        auto *box = control<QPlainTextEdit>(sign, "Text1");
                        QTest::keyClicks(box, "Ann");
                        QTest::keyClick(box, Qt::Key_Home);
                        typeText(box, "Be'st,\n");
                        leave(sign, signLeftWith);
                    },
                    &signRan);
                click(window, "Command3");
            }
            QVERIFY(signRan);
            if (!refusal.isEmpty()) {
                click(window, ok);
                QVERIFY(window->isVisible());
                QCOMPARE(control(window, "Text1")->text(), entries.front().isEmpty() ? "" : name);
                // A rename changes the node before it writes the row.
                QCOMPARE(renamed->text(), renames && refusal == u"table" ? name : oldName);
                if (refusal == u"table")
                    allowWrites(table());
                m_record->statements.clear();
            }
            leave(window, leaveWith);
            QVERIFY(!window->isVisible());
        }));

        verifyRefusal(*m_record, refusal == u"table",
            refusal.isEmpty() ? "" : "正確な文字を入力してください。", !refusal.isEmpty());
        QStringList expected;
        if (stores && selected != u"root" && mode != u"2")
            expected << "select * from ACCOUNT where ACCOUNT_no= " + keys[selected];
        if (stores)
            expected << storing(mode, keys[renames ? selected : parent]);
        QCOMPARE(m_record->statements, expected);
        QCOMPARE(tree()->selectedNode(), tree()->node(keys[selected]));
        QVERIFY(!shown.isLoaded());
        if (!folder)
            QCOMPARE(Forms::sign().Text1()->toPlainText(), "Best,\nAnn");

        const QString key = !stores ? QString() : renames ? keys[selected] : newestKey();
        auto expectedRows = rowsBefore;
        if (stores && !renames)
            expectedRows.push_back({key});
        const QString htmlSignature = mode == u"6" ? "<b>html</b>" : mode == u"9" ? " " : "";
        for (QStringList &row : expectedRows)
            if (row.front() == key && mode == u"2")
                row[3] = name;
            else if (row.front() == key && folder)
                row = QStringList {key, keys[parent], "F", name} + QStringList(17);
            else if (row.front() == key)
                row = QStringList {key, keys[parent], "A"} + typed.mid(0, 9)
                    + QStringList {"Best,\r\nAnn", htmlSignature} + typed.mid(9);
        QCOMPARE(allRows(table()), expectedRows);
        QCOMPARE(tree()->nodeCount(), nodesBefore + (stores && !renames));
        QCOMPARE(renamed->text(), stores && renames ? name : oldName);
        if (!stores)
            return;
        SSNode *node = tree()->node(key);
        QCOMPARE(node->parentNode(), tree()->node(keys[parent]));
        if (renames) {
            QCOMPARE(node->previousSibling(), folder ? nullptr : tree()->node(before));
            return;
        }
        // Like a loaded node, last under its parent, which opens to show it.
        QCOMPARE(list().atNode, node);
        QCOMPARE(node->parentNode()->firstChild()->lastSibling(), node);
        QVERIFY(node->parentNode()->expanded());
        const QFont font = node->font(0);
        QCOMPARE(QStringList({node->text(), node->image(), node->expandedImage(),
                     node->markerText(), node->foreground(0).color().name(),
                     QString::number(font.pointSizeF()), font.bold() ? "bold" : ""}),
            QStringList({name, folder ? "close" : "account", folder ? "open" : "",
                folder ? "0" : "", folder ? "#0000ff" : "#005000", "10", ""}));
    }

    void portBoxesTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("refused");
        textRow("around the digits, a negative code, backspace", u"8a/-0:B.５"_qs, "Backspace", "8",
            "7");
        textRow("Ctrl+V, a control code", "12", "Ctrl+V", "12", "1");
        textRow("Escape, character 27", "12", "Esc", "12", "1");
    }

    void portBoxesTakeDigitsOnly()
    {
        QFETCH(QString, keys);
        QFETCH(QString, then);
        QFETCH(QString, refused);
        QApplication::clipboard()->setText("99");
        for (const QString box : {"Text5", "Text7"})
            QVERIFY(showAndDrive(Forms::accountAdd(), "AccountAdd", [&](QWidget *window) {
                typeText(control(window, box), keys);
                QTest::keySequence(control(window, box), QKeySequence(then));
                QTEST(control(window, box)->text(), "kept");
                QVERIFY(window->isVisible());
            }));
        QCOMPARE(
            m_record->messages(), QStringList(2 * refused.toInt(), u"数字を入力してください。"_qs));
        QCOMPARE(m_record->asked.front().icon, MessageBox::Icon::Exclamation);
    }

    // A window too low for the box leaves its height alone but still sets its
    // width; one undo takes back a paste and the apostrophes taken out of it.
    void signatureBoxFillsTheWidthAboveTheButtons()
    {
        loadList(table());
        QVERIFY(showAndDrive(Forms::sign(), "Sign", [](QWidget *window) {
            auto *box = control<QPlainTextEdit>(window, "Text1");
            QCOMPARE(box->geometry(), QRect(0, 0, window->width(), twipsToPixels(3780 - 600)));
            QVERIFY(
                box->horizontalScrollBar()->isVisible() && box->verticalScrollBar()->isVisible());
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
            window->setFixedSize(600, twipsToPixels(450));
            QCOMPARE(box->size(), QSize(600, twipsToPixels(3780 - 600)));
            QApplication::clipboard()->setText("'q'\nand 'more'");
            QTest::keyClicks(box, "Ann ");
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->toPlainText(), "Ann q\nand more");
            QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(box->toPlainText(), "Ann ");
        }));
    }

    void dialogAsBuilt_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<qreal>("ownPoints");
        QTest::newRow("AccountAdd") << 0 << 8.25;
        QTest::newRow("FolderAdd") << 1 << 9.75;
        QTest::newRow("Sign") << 2 << 9.75;
    }

    // Fixed, in the design fonts, labels whole in a Japanese face, no input method
    // for servers, ports and login; limits bind typing, not a stored value.
    void dialogAsBuilt()
    {
        QFETCH(int, window);
        loadList(table());
        Form *forms[] = {&Forms::accountAdd(), &Forms::folderAdd(), &Forms::sign()};
        QWidget *dialog = forms[window]->widget();
        QCOMPARE(dialog->maximumSize(), dialog->minimumSize());
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!dialog->windowFlags().testAnyFlags(Qt::WindowMinMaxButtonsHint));
        QTEST(dialog->font().pointSizeF(), "ownPoints");
        for (const QWidget *control : dialog->findChildren<QWidget *>())
            QVERIFY2(
                control->font().pointSizeF() == 9.75 && control->font().family() == u"MS UI Gothic",
                qPrintable(control->objectName()));
        for (const QLabel *label : dialog->findChildren<QLabel *>()) {
            const QString family = QFontInfo(label->font()).family();
            QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
                qPrintable(family));
            const int end = label->x() + label->fontMetrics().horizontalAdvance(label->text());
            for (const QLineEdit *box : label->parentWidget()->findChildren<QLineEdit *>())
                if (box->y() == label->y() && box->x() > label->x())
                    QVERIFY2(end < box->x(), qPrintable(label->objectName()));
        }
        const QHash<QString, int> limits
            = {{"Text5", 8}, {"Text7", 8}, {"Text8", 30}, {"Text9", 30}, {"TextTelNumber", 20},
                {"TextFaxNumber", 20}, {"TextHandy", 0}, {"TextAddress2", 0}};
        const QStringList latin = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9"};
        for (QLineEdit *box : dialog->findChildren<QLineEdit *>()) {
            const QString name = window == 0 ? box->objectName() : QString();
            QVERIFY2(box->testAttribute(Qt::WA_InputMethodEnabled) != latin.contains(name),
                qPrintable(name));
            const int limit = limits.value(name, 100);
            const QString typed(limit ? limit + 1 : 150, u'7');
            QTest::keyClicks(box, typed);
            QCOMPARE(box->text(), limit ? typed.left(limit) : typed);
            box->setText(QString(200, u'8'));
            QCOMPARE(box->text(), QString(200, u'8'));
            QCOMPARE(box->displayText(), QString(200, name == u"Text9" ? u'*' : u'8'));
        }
    }

    void imagesAreDistinctPictures()
    {
        QCOMPARE(toolbarImageCount(), 8);
        const QStringList treeKeys = {"root", "open", "account", "close"};
        QList<QImage> seen;
        for (int i = 0; i < 12; ++i) {
            const QIcon icon = i < 8 ? toolbarImage(i) : treeImages().icon(treeKeys.at(i - 8));
            const QImage image = icon.pixmap(20, 20).toImage();
            QVERIFY(!image.isNull() && !seen.contains(image));
            seen << image;
        }
    }
};

QTEST_MAIN(TestAccountAdd)
#include "tst_accountadd.moc"
