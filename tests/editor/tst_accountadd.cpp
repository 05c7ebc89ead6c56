// The account editor, the folder dialog and the signature dialog alone: what
// they collect from a person and hand to their opener, and what the code
// adds to their Designer layouts.

#include "support/DialogTest.h"

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

} // namespace

class TestAccountAdd : public QObject {
    Q_OBJECT

    std::optional<Recording> m_record;
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

private Q_SLOTS:
    void initTestCase() { applyJapaneseLook(); }

    void init()
    {
        m_record.emplace();
        m_handed.clear();
        m_answer = Answer::Stored;
    }

    void cleanup()
    {
        ModalDriver::closeAllModals();
        for (Form *form : std::initializer_list<Form *> {&m_editor, &m_folder, &m_sign})
            form->unload();
        m_record.reset();
        QCOMPARE(visibleWindows(), QStringList());
    }

    void okHandsWhatWasTypedAndClosesOnceItIsTaken_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("failure"); // of the first OK, refused when empty
        textRow("editor, OK, refused", "AccountAdd", "Command1", "");
        textRow("editor, Return in the name, failed", "AccountAdd", "Text1", "the disk is full");
        textRow("editor, Return in the SMTP port, refused", "AccountAdd", "Text5", "");
        textRow("folder, OK, failed", "FolderAdd", "Command2", "the disk is full");
        textRow("folder, Return in the name, refused", "FolderAdd", "Text1", "");
    }

    // The editor's values in column order, the signature after the password;
    // a folder name of blanks is a name. An OK the opener refuses, or one that
    // fails (shown as the guard at every event shows a failure), leaves the
    // dialog open as typed; the next, taken, hands the same and closes.
    void okHandsWhatWasTypedAndClosesOnceItIsTaken()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, pressed);
        QFETCH(QString, failure);
        const Dialog &d = dialogs[dialog];
        m_answer = failure.isEmpty() ? Answer::Refused : Answer::Fails;
        QVERIFY(inDialog(dialog, [&](QWidget *window) {
            QCOMPARE(window->windowTitle(), "見出し");
            typeInto(window, d.boxes, d.typed);
            press(window, pressed);
            QVERIFY(window->isVisible());
            QCOMPARE(textsOf(window, d.boxes), d.typed);
            m_answer = Answer::Stored;
            press(window, pressed);
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
        QCOMPARE(m_record->messages(), QStringList {"正確な文字を入力してください。"});
        QCOMPARE(m_record->asked.front().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(m_record->asked.front().icon, MessageBox::Icon::None);
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
        QVERIFY(showAndDrive([&] { m_sign.showModal(); }, "Sign",
            [&](QWidget *sign) {
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
        QVERIFY(showAndDrive([&] { m_sign.showModal(); }, "Sign",
            [](QWidget *window) {
                auto *box = control<QPlainTextEdit>(window, "Text1");
                QCOMPARE(box->geometry().topLeft(), QPoint());
                QCOMPARE(box->width(), window->width());
                for (const char *button : {"Command1", "Command2"})
                    QVERIFY(box->geometry().bottom() < window->findChild<QWidget *>(button)->y());
                QVERIFY(box->horizontalScrollBar()->isVisible()
                    && box->verticalScrollBar()->isVisible());
            }));
    }

    void dialogAsBuilt_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char *dialog : {"AccountAdd", "FolderAdd", "Sign"})
            QTest::newRow(dialog) << QString(dialog);
    }

    // Fixed, in the design font, captions whole beside their boxes, no input
    // method for servers, ports and login, a stored value longer than its
    // box's limit shown whole, stars for the password.
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
        const QStringList latin = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9"};
        for (QLineEdit *box : window->findChildren<QLineEdit *>()) {
            const QString name = box->objectName();
            QVERIFY2(box->testAttribute(Qt::WA_InputMethodEnabled) != latin.contains(name),
                qPrintable(name));
            box->setText(QString(300, u'8'));
            QCOMPARE(box->displayText(), QString(300, name == u"Text9" ? u'*' : u'8'));
        }
    }
};

QTEST_MAIN(TestAccountAdd)
#include "tst_accountadd.moc"
