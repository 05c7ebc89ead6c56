// The account editor, the folder dialog and the signature dialog: alone, as
// they collect what a person types and hand it to their opener; through the
// account list, where what they hand becomes statements, rows and nodes; and
// what the code adds to their Designer layouts.

#include "support/AccountListDriver.h"
#include "support/DialogTest.h"

#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "dialogs/FolderAdd.h"
#include "dialogs/Sign.h"
#include "editor/AccountAdd.h"
#include "store/Failure.h"
#include "ui/FormDialog.h"
#include "ui/Look.h"

#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <optional>

using namespace DialogTest;

namespace {

// The editor's boxes and their columns, in the order OK hands them; the
// signature, from the signature dialog, comes after PSWD.
const QStringList boxes = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8",
    "Text9", "TextOfficeName", "TextOfficeSection", "TextTelNumber", "TextFaxNumber",
    "TextAddress1", "TextAddress2", "TextHandy"};
const QStringList columns = {"NAME", "SENDER", "MAIL_ADDRESS", "SMTP_HOST", "SMTP_PORT", "POP_HOST",
    "POP_PORT", "USERID", "PSWD", "OFFICE_NAME", "OFFICE_SECTION", "TEL_NUMBER", "FAX_NUMBER",
    "ADDRESS1", "ADDRESS2", "HANDY"};
// Typed into those boxes: a quote in most boxes that take one, a required
// box of blanks alone, an optional box left empty.
const QStringList typed = {"O'Mail", "  ", "ann'@x", "smtp'host", "25", "pop'host", "110", "u'id",
    "p'w", "Co'", "S'ec", "1'", "2'", "A'1", "A'2", ""};
// What an opener shows for OK to pass: the required boxes filled.
const QVariantMap required = {{"NAME", "Mail"}, {"SENDER", "Ann"}, {"MAIL_ADDRESS", "ann"},
    {"SMTP_HOST", "smtp"}, {"SMTP_PORT", "25"}};
// Every quotation mark but the apostrophe, and the rename template's markers.
const QString folderName = u"営業‘’＇\" %2%1"_qs;
const QString lookup = "select * from ACCOUNT where ACCOUNT_no= ";
const QStringList accountLooks = {"account", "", "", "#005000", "10", ""};
const QStringList folderLooks = {"close", "open", "0", "#0000ff", "10", ""};

// Values as OK hands them, "COLUMN=value" in their order.
QStringList handed(const QStringList &texts, const QString &signature)
{
    QStringList named;
    for (qsizetype i = 0; i < texts.size(); ++i)
        named << columns[i] + u'=' + texts[i];
    named.insert(9, "TEXT_SIG=" + signature);
    return named;
}

// The two dialogs that hand what was typed: their boxes, what is typed
// there and handed, and their OK button.
struct Dialog {
    QStringList boxes, typed, handed;
    QString ok;
};
const QHash<QString, Dialog> dialogs
    = {{"AccountAdd", {boxes, typed, handed(typed, ""), "Command1"}},
        {"FolderAdd", {{"Text1"}, {"  "}, {"  "}, "Command2"}}};

template <typename... Texts> void textRow(const char *tag, const Texts &...texts)
{
    (QTest::newRow(tag) << ... << QString(texts));
}

// Rows named after every engine, each with every choice; init gives each a
// table on its engine.
void onEngines(const QStringList &choices)
{
    QTest::addColumn<QString>("choice");
    for (const Engine engine : TestDatabase::engines())
        for (const QString &choice : choices)
            QTest::addRow("%s %s", TestDatabase::tag(engine), qPrintable(choice)) << choice;
}

void typeInto(QWidget *dialog, const QStringList &names, const QStringList &texts)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        retype(control(dialog, names[i]), texts[i]);
}

QStringList textsOf(QWidget *dialog, const QStringList &names)
{
    QStringList texts;
    for (const QString &name : names)
        texts << control(dialog, name)->text();
    return texts;
}

// A button's click, Return in a box (the default button's), or the close box.
void press(QWidget *dialog, const QString &what)
{
    if (what == u"close box")
        dialog->close();
    else if (what.startsWith(u"Command"))
        click(dialog, what);
    else
        QTest::keyClick(control(dialog, what), Qt::Key_Return);
}

QString insertOf(const QString &parent, const QString &signature, const QString &htmlSignature)
{
    return "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,SMTP_PORT,"
           "POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,OFFICE_SECTION,"
           "TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY)  VALUES( '"
        + parent + "', 'A', 'O''Mail','  ','ann''@x','smtp''host','25','pop''host','110','u''id',"
        + "'p''w','" + signature + "'," + htmlSignature
        + " ,'Co''','S''ec','1''','2''','A''1','A''2','')";
}

// The row the typed values make, as the table gives it back.
QStringList accountRow(
    const QString &key, const QString &parent, const QString &signature, const QString &html)
{
    return QStringList {key, parent, "A"} + typed.mid(0, 9) + QStringList {signature, html}
    + typed.mid(9);
}

// The list's node as a person sees it: text, parent, place, and looks.
QStringList seen(const QString &key)
{
    const SSNode *node = Forms::accountBrowse().SSTree1()->findNode(key);
    if (!node)
        return {"no node"};
    const QFont font = node->font(0);
    return {node->text(), node->parentNode()->key(), node->lastSibling() == node ? "last" : "",
        node->parentNode()->expanded() ? "open" : "", node->isSelected() ? "selected" : "",
        node->image(), node->expandedImage(), node->markerText(),
        node->foreground(0).color().name(), QString::number(font.pointSizeF()),
        font.bold() ? "bold" : ""};
}

} // namespace

class TestAccountAdd : public QObject {
    Q_OBJECT

    std::optional<Recording> m_record;
    std::unique_ptr<TestDatabase> m_table;
    std::vector<QStringList> m_rows;
    Sign m_sign;
    AccountAdd m_editor {m_sign};
    FolderAdd m_folder;
    // What each OK handed the opener's apply, and how that apply answers.
    QList<QStringList> m_handed;
    enum class Answer { Stored, Refused, Fails } m_answer = Answer::Stored;

    bool applied(const QStringList &values)
    {
        m_handed << values;
        if (m_answer == Answer::Fails)
            throw Failure("the disk is full");
        return m_answer == Answer::Stored;
    }

    // Opens a dialog on an apply of the test's: the folder dialog with the
    // shown NAME.
    bool inDialog(const QString &dialog, const std::function<void(QWidget *)> &action,
        const QVariantMap &shown = required)
    {
        const auto open = [&] {
            if (dialog == u"FolderAdd")
                return m_folder.edit("見出し", shown.value("NAME").toString(),
                    [this](const QString &name) { return applied({name}); });
            m_editor.edit("見出し", shown, [this](const AccountStatements::AccountValues &values) {
                QStringList named;
                for (const auto &[column, value] : values)
                    named << column + u'=' + value;
                return applied(named);
            });
        };
        return showAndDrive(open, dialog, action);
    }

    // A fresh table: the folder Bob's (key 1) holding Before (2) and Stored
    // (3), which has a signature of bare line feeds and an HTML signature.
    bool openTable(Engine engine)
    {
        if (!(m_table = tableOn(engine)))
            return false;
        m_table->addFolder("0", "Bob's");
        m_table->addAccount("1", "Before");
        m_table->db().execute("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,TEXT_SIG,HTML_SIG) "
                              "VALUES(1,'A','Stored','Best,\nAnn','<b>html</b>')");
        m_rows = allRows(*m_table);
        return true;
    }

    // Chooses the node in the list, runs the command and acts in its dialog,
    // the statements recorded from there; then the table must hold m_rows as
    // the action left them.
    void inList(
        const QString &key, const QString &command, const std::function<void(QWidget *)> &act)
    {
        QVERIFY(inAccountList(m_table->connectionString(), [&](AccountBrowse &window) {
            QVERIFY(inDialogOf(window, key, command, [&](QWidget *dialog) {
                m_record->statements.clear();
                act(dialog);
            }));
        }));
        QCOMPARE(allRows(*m_table), m_rows);
    }

private Q_SLOTS:
    void initTestCase() { applyJapaneseLook(); }

    void init()
    {
        m_record.emplace();
        m_handed.clear();
        m_answer = Answer::Stored;
        // The list's tests run on every engine, their rows named after it.
        const QByteArray tag = QTest::currentDataTag();
        for (const Engine engine : TestDatabase::engines())
            if (tag.startsWith(TestDatabase::tag(engine)) && !openTable(engine))
                QSKIP(noServer);
    }

    void cleanup()
    {
        closeWindows();
        for (Form *form : std::initializer_list<Form *> {&m_editor, &m_folder, &m_sign})
            form->unload();
        m_table.reset();
        m_record.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void okHandsWhatWasTypedAndCloses_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("pressed");
        textRow("editor, OK", "AccountAdd", "Command1");
        textRow("editor, Return in the name", "AccountAdd", "Text1");
        textRow("editor, Return in the SMTP port", "AccountAdd", "Text5");
        textRow("folder, OK", "FolderAdd", "Command2");
        textRow("folder, Return in the name", "FolderAdd", "Text1");
    }

    // The editor's values in column order, the signature after the password;
    // a folder name of blanks is a name.
    void okHandsWhatWasTypedAndCloses()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, pressed);
        QVERIFY(inDialog(dialog, [&](QWidget *window) {
            QCOMPARE(window->windowTitle(), "見出し");
            typeInto(window, dialogs[dialog].boxes, dialogs[dialog].typed);
            press(window, pressed);
            QVERIFY(!window->isVisible());
        }));
        QCOMPARE(m_handed, QList<QStringList> {dialogs[dialog].handed});
        QCOMPARE(m_record->messages(), QStringList());
    }

    void anApplyThatRefusesOrFailsLeavesTheDialogOpenAsTyped_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("failure");
        textRow("editor, refused", "AccountAdd", "");
        textRow("editor, failed", "AccountAdd", "the disk is full");
        textRow("folder, refused", "FolderAdd", "");
        textRow("folder, failed", "FolderAdd", "the disk is full");
    }

    // A failure is shown as the guard at every event shows one. A second OK,
    // now stored, hands the same and closes.
    void anApplyThatRefusesOrFailsLeavesTheDialogOpenAsTyped()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, failure);
        const Dialog &d = dialogs[dialog];
        m_answer = failure.isEmpty() ? Answer::Refused : Answer::Fails;
        QVERIFY(inDialog(dialog, [&](QWidget *window) {
            typeInto(window, d.boxes, d.typed);
            click(window, d.ok);
            QVERIFY(window->isVisible());
            QCOMPARE(textsOf(window, d.boxes), d.typed);
            m_answer = Answer::Stored;
            click(window, d.ok);
            QVERIFY(!window->isVisible());
        }));
        QCOMPARE(m_handed, (QList<QStringList> {d.handed, d.handed}));
        QCOMPARE(m_record->messages(), QStringList(failure.isEmpty() ? 0 : 1, failure));
        QVERIFY(failure.isEmpty() || m_record->asked.front().icon == MessageBox::Icon::Critical);
    }

    void cancelOrTheCloseBoxCallsNothingAndEscapeClosesNothing_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("leaveWith");
        textRow("editor, Cancel", "AccountAdd", "Command2");
        textRow("editor, close box", "AccountAdd", "close box");
        textRow("folder, Cancel", "FolderAdd", "Command3");
        textRow("folder, close box", "FolderAdd", "close box");
    }

    void cancelOrTheCloseBoxCallsNothingAndEscapeClosesNothing()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, leaveWith);
        QVERIFY(inDialog(dialog, [&](QWidget *window) {
            QTest::keyClick(control(window, "Text1"), Qt::Key_Escape);
            QVERIFY(window->isVisible());
            press(window, leaveWith);
            QVERIFY(!window->isVisible());
        }));
        QCOMPARE(m_handed, QList<QStringList>());
        QCOMPARE(m_record->messages(), QStringList());
    }

    void anEmptyRequiredBoxIsRefusedOnceAndCallsNothing_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QStringList>("emptied");
        for (const QString &box : boxes.mid(0, 5))
            QTest::addRow("editor, %s", qPrintable(box)) << "AccountAdd" << QStringList {box};
        QTest::newRow("editor, all five") << "AccountAdd" << boxes.mid(0, 5);
        QTest::newRow("folder") << "FolderAdd" << QStringList {"Text1"};
    }

    void anEmptyRequiredBoxIsRefusedOnceAndCallsNothing()
    {
        QFETCH(QString, dialog);
        QFETCH(QStringList, emptied);
        QVERIFY(inDialog(dialog, [&](QWidget *window) {
            typeInto(window, emptied, QStringList(emptied.size()));
            click(window, dialogs[dialog].ok);
            QVERIFY(window->isVisible());
        }));
        verifyRefusal(*m_record, false, "正確な文字を入力してください。", true);
        QCOMPARE(m_handed, QList<QStringList>());
    }

    // A number shows as its text. A null or empty value leaves its box as
    // the values before filled it; the signature is always replaced.
    void storedValuesFillTheBoxesButNullOrEmptyOnesAndAlwaysTheSignature()
    {
        QVariantMap before = {{"TEXT_SIG", "Best"}};
        for (qsizetype i = 0; i < columns.size(); ++i)
            before[columns[i]] = typed[i];
        before["SMTP_PORT"] = 25;
        m_editor.setValues(before);
        const QVariantMap shown = {{"NAME", QVariant()}, {"SENDER", ""}};
        QVERIFY(inDialog(
            "AccountAdd", [](QWidget *editor) { click(editor, "Command1"); }, shown));
        QCOMPARE(m_handed, QList<QStringList> {handed(typed, "")});
    }

    void typedLineBreaksAreStoredAsCrLf_data()
    {
        QTest::addColumn<QString>("lineBreak");
        QTest::addColumn<QString>("leaveSignWith");
        textRow("Enter, OK", "Return", "Command1");
        textRow("Shift+Enter, Cancel", "Shift+Return", "Command2");
        textRow("Shift+Enter, close box", "Shift+Return", "close box");
    }

    // Shift+Enter breaks the line in the box with U+2028. However the
    // signature dialog is left, the editor's OK takes what it holds.
    void typedLineBreaksAreStoredAsCrLf()
    {
        QFETCH(QString, lineBreak);
        QFETCH(QString, leaveSignWith);
        QVERIFY(inDialog("AccountAdd", [&](QWidget *editor) {
            const auto typeSignature = [&](QWidget *sign) {
                auto *box = control<QPlainTextEdit>(sign, "Text1");
                QTest::keyClicks(box, "Best,");
                QTest::keySequence(box, QKeySequence(lineBreak));
                QTest::keyClicks(box, "Ann");
                press(sign, leaveSignWith);
            };
            bool signRan = false;
            ModalDriver::whenShown("Sign", typeSignature, &signRan);
            click(editor, "Command3");
            QVERIFY(signRan);
            click(editor, "Command1");
        }));
        QCOMPARE(m_handed.value(0).value(9), "TEXT_SIG=Best,\r\nAnn");
    }

    // Given by the opener, typed or pasted; other quotation marks stay.
    void onlyTheApostropheIsTakenOutOfAFolderNameOrASignature()
    {
        const QString text = u"O'Neill's ‘’＇\"` 営業"_qs;
        QApplication::clipboard()->setText(text);
        const auto givenTypedPasted = [&](QWidget *box, const char *property) {
            QCOMPARE(box->property(property).toString(), u"ONeills ‘’＇\"` 営業"_qs);
            QTest::keySequence(box, QKeySequence::SelectAll);
            typeText(box, text);
            QCOMPARE(box->property(property).toString(), u"ONeills ‘’＇\"` 営業"_qs);
            QTest::keySequence(box, QKeySequence::SelectAll);
            QTest::keySequence(box, QKeySequence::Paste);
            QCOMPARE(box->property(property).toString(), u"ONeills ‘’＇\"` 営業"_qs);
        };
        m_sign.setSignature(text);
        QVERIFY(showAndDrive(m_sign, "Sign", [&](QWidget *sign) {
            givenTypedPasted(sign->findChild<QWidget *>("Text1"), "plainText");
        }));
        QVERIFY(inDialog("FolderAdd",
            [&](QWidget *folder) { givenTypedPasted(control(folder, "Text1"), "text"); },
            {{"NAME", text}}));
    }

    // A character past U+7FFF has a negative code; Return passes, as OK's
    // tests show.
    void portBoxesTakeDigitsOnly()
    {
        QApplication::clipboard()->setText("99");
        QVERIFY(inDialog("AccountAdd", [](QWidget *editor) {
            for (const char *port : {"Text5", "Text7"}) {
                retype(control(editor, port), u"8a/-0:B.５"_qs);
                QTest::keySequence(control(editor, port), QKeySequence("Backspace, Ctrl+V, Esc"));
                QCOMPARE(control(editor, port)->text(), "8");
            }
        }));
        QCOMPARE(m_record->messages(), QStringList(18, "数字を入力してください。"));
        for (const MessageBox::Request &asked : m_record->asked)
            QCOMPARE(asked.icon, MessageBox::Icon::Exclamation);
    }

    void signatureBoxFillsTheWidthAboveTheButtonsWithBothScrollBars()
    {
        QVERIFY(showAndDrive(m_sign, "Sign", [](QWidget *window) {
            auto *box = control<QPlainTextEdit>(window, "Text1");
            QCOMPARE(box->geometry().topLeft(), QPoint());
            QCOMPARE(box->width(), window->width());
            for (const char *button : {"Command1", "Command2"})
                QVERIFY(box->geometry().bottom() < window->findChild<QWidget *>(button)->y());
            QVERIFY(
                box->horizontalScrollBar()->isVisible() && box->verticalScrollBar()->isVisible());
        }));
    }

    void dialogAsBuilt_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char *dialog : {"AccountAdd", "FolderAdd", "Sign"})
            QTest::newRow(dialog) << QString(dialog);
    }

    // Fixed, in the design font, captions whole beside their boxes, no input
    // method for servers, ports and login, limits that bind typing but not a
    // stored value, stars for the password.
    void dialogAsBuilt()
    {
        QFETCH(QString, dialog);
        QWidget *window = dialog == u"Sign" ? m_sign.widget()
            : dialog == u"FolderAdd"        ? m_folder.widget()
                                            : m_editor.widget();
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
            Qt::WindowCloseButtonHint);
        for (const QWidget *child : window->findChildren<QWidget *>())
            QVERIFY2(
                child->font().family() == u"MS UI Gothic" && child->font().pointSizeF() == 9.75,
                qPrintable(child->objectName()));
        for (const QLabel *label : window->findChildren<QLabel *>()) {
            const int end = label->x() + label->fontMetrics().horizontalAdvance(label->text());
            for (const QLineEdit *box : label->parentWidget()->findChildren<QLineEdit *>())
                QVERIFY2(box->y() != label->y() || box->x() < label->x() || end < box->x(),
                    qPrintable(label->objectName()));
        }
        const QHash<QString, int> limits
            = {{"Text5", 8}, {"Text7", 8}, {"Text8", 30}, {"Text9", 30}, {"TextTelNumber", 20},
                {"TextFaxNumber", 20}, {"TextHandy", 0}, {"TextAddress2", 0}};
        const QStringList latin = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9"};
        for (QLineEdit *box : window->findChildren<QLineEdit *>()) {
            const QString name = box->objectName();
            const int limit = limits.value(name, 100), room = limit ? limit : 200;
            QVERIFY2(box->testAttribute(Qt::WA_InputMethodEnabled) != latin.contains(name),
                qPrintable(name));
            box->setText(QString(room, u'7'));
            QTest::keyClick(box, Qt::Key_7);
            QCOMPARE(box->text().size(), limit ? limit : room + 1);
            box->setText(QString(300, u'8'));
            QCOMPARE(box->displayText(), QString(300, name == u"Text9" ? u'*' : u'8'));
        }
    }

    void addingAFolderWritesItsRowThenShowsItsNode_data() { onEngines({""}); }

    void addingAFolderWritesItsRowThenShowsItsNode()
    {
        inList("1", "addf", [&](QWidget *dialog) {
            typeText(control(dialog, "Text1"), folderName);
            click(dialog, "Command2");
            QCOMPARE(m_record->statements,
                (QStringList {lookup + "1",
                    "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( 1 ,'F','" + folderName
                        + "')",
                    "select max(ACCOUNT_no) from ACCOUNT"}));
            QCOMPARE(seen("4"), QStringList({folderName, "1", "last", "open", ""}) + folderLooks);
            m_rows.push_back(QStringList {"4", "1", "F", folderName} + QStringList(17));
        });
    }

    void renamingAFolderChangesItsNodeThenItsRow_data() { onEngines({""}); }

    // Its box shows the name as the tree does, less the apostrophe.
    void renamingAFolderChangesItsNodeThenItsRow()
    {
        inList("1", "updatef", [&](QWidget *dialog) {
            QCOMPARE(control(dialog, "Text1")->text(), "Bobs");
            retype(control(dialog, "Text1"), folderName);
            click(dialog, "Command2");
            QCOMPARE(m_record->statements,
                QStringList({"SELECT * FROM ACCOUNT WHERE ACCOUNT_NO = 1",
                    "UPDATE ACCOUNT SET NAME='" + folderName + "' where ACCOUNT_NO= 1 "}));
            QCOMPARE(seen("1"),
                QStringList({folderName, "0", "last", "open", "selected"}) + folderLooks);
            QCOMPARE(seen("3").value(1), "1");
            m_rows.front()[3] = folderName;
        });
    }

    void addingAnAccountWritesItsRowThenShowsItsNode_data() { onEngines({"1", "0"}); }

    // Into the chosen folder, whose kind is looked up, or under the root.
    void addingAnAccountWritesItsRowThenShowsItsNode()
    {
        QFETCH(QString, choice);
        QStringList statements
            = {insertOf(choice, "", "''"), "select max(ACCOUNT_NO) from ACCOUNT"};
        if (choice == u"1")
            statements.prepend(lookup + "1");
        inList(choice, "add", [&](QWidget *dialog) {
            typeInto(dialog, boxes, typed);
            click(dialog, "Command1");
            QCOMPARE(m_record->statements, statements);
            QCOMPARE(seen("4"), QStringList({"O'Mail", choice, "last", "open", ""}) + accountLooks);
            m_rows.push_back(accountRow("4", choice, "", ""));
        });
    }

    void modifyingAnAccountRenamesItsNodeThenUpdatesItsRow_data() { onEngines({""}); }

    // The untouched signature goes back as stored; HTML_SIG, the parent and
    // the kind stay.
    void modifyingAnAccountRenamesItsNodeThenUpdatesItsRow()
    {
        inList("3", "update", [&](QWidget *dialog) {
            typeInto(dialog, boxes, typed);
            click(dialog, "Command1");
            QCOMPARE(m_record->statements,
                (QStringList {lookup + "3",
                    "UPDATE ACCOUNT SET NAME='O''Mail', SENDER = '  ', MAIL_ADDRESS = 'ann''@x', "
                    "SMTP_HOST = 'smtp''host', SMTP_PORT = '25', POP_HOST = 'pop''host', "
                    "POP_PORT = '110', USERID = 'u''id', PSWD = 'p''w', TEXT_SIG = 'Best,\nAnn', "
                    "OFFICE_NAME = 'Co''', OFFICE_SECTION = 'S''ec', TEL_NUMBER = '1''', "
                    "FAX_NUMBER = '2''', ADDRESS1 = 'A''1', ADDRESS2 = 'A''2', "
                    "HANDY = ''where ACCOUNT_NO= 3"}));
            QCOMPARE(
                seen("3").mid(0, 5), (QStringList {"O'Mail", "1", "last", "open", "selected"}));
            m_rows.back() = accountRow("3", "1", "Best,\nAnn", "<b>html</b>");
        });
    }

    void copyStoresABlankHtmlSignatureBesideItsSource_data() { onEngines({""}); }

    // Into the source's folder, which is looked up first; the source stays.
    void copyStoresABlankHtmlSignatureBesideItsSource()
    {
        inList("3", "copy", [&](QWidget *dialog) {
            typeInto(dialog, boxes, typed);
            click(dialog, "Command1");
            QCOMPARE(m_record->statements,
                (QStringList {lookup + "3", lookup + "1", insertOf("1", "Best,\nAnn", "' '"),
                    "select max(ACCOUNT_no) from ACCOUNT"}));
            QCOMPARE(seen("4"), QStringList({"O'Mail", "1", "last", "open", ""}) + accountLooks);
            QCOMPARE(seen("3").value(0), "Stored");
            m_rows.push_back(accountRow("4", "1", "Best,\nAnn", " "));
        });
    }

    void aTableThatRefusesTheWriteLeavesTheDialogOpenAsTyped_data()
    {
        onEngines({"addf", "updatef", "add", "update", "copy"});
    }

    void aTableThatRefusesTheWriteLeavesTheDialogOpenAsTyped()
    {
        QFETCH(QString, choice);
        const Dialog &d = dialogs[choice.endsWith(u'f') ? "FolderAdd" : "AccountAdd"];
        refuseWrites(*m_table, choice.startsWith(u"update") ? "UPDATE" : "INSERT");
        inList(choice == u"update" || choice == u"copy" ? "3" : "1", choice, [&](QWidget *dialog) {
            typeInto(dialog, d.boxes, d.typed);
            click(dialog, d.ok);
            QVERIFY(dialog->isVisible());
            QCOMPARE(textsOf(dialog, d.boxes), d.typed);
            QCOMPARE(seen("4"), QStringList {"no node"});
        });
        verifyRefusal(*m_record, true, {}, true);
    }
};

QTEST_MAIN(TestAccountAdd)
#include "tst_accountadd.moc"
