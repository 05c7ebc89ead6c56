// The signature dialog as the account editor uses it: a text box that keeps
// its text between showings and never holds an apostrophe.

#include "support/DialogTest.h"

#include "dialogs/Sign.h"
#include "ui/FormDialog.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace DialogTest;

namespace {

// showAndDrive for this dialog, handing the action its text box as well.
bool inSign(const std::function<void(QWidget *, QPlainTextEdit *)> &action)
{
    return showAndDrive(Forms::sign(), QStringLiteral("Sign"), [&](QWidget *window) {
        action(window, control<QPlainTextEdit>(window, QStringLiteral("Text1")));
    });
}

} // namespace

class TestSign : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void everyWayOfClosingOnlyHidesAndTheTextIsThereAgain_data();
    void everyWayOfClosingOnlyHidesAndTheTextIsThereAgain();
    void apostrophesAreTakenOutAsTheyArrive_data();
    void apostrophesAreTakenOutAsTheyArrive();
    void undoTakesBackTheTypingThatBroughtTheApostrophe();
    void theBoxFillsTheClientAreaAboveTheButtonsAndFollowsTheWidthAlone();
};

void TestSign::cleanup()
{
    ModalDriver::closeAllModals();
    Forms::sign().unload();
    QVERIFY(!Forms::sign().isLoaded());
    QCOMPARE(visibleWindows(), QStringList());
}

void TestSign::everyWayOfClosingOnlyHidesAndTheTextIsThereAgain_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "Command1";
    QTest::newRow("cancel") << "Command2";
    QTest::newRow("close box") << "close";
    QTest::newRow("Escape") << "Escape";
}

void TestSign::everyWayOfClosingOnlyHidesAndTheTextIsThereAgain()
{
    QFETCH(QString, how);
    Forms::sign().Text1()->setPlainText(QStringLiteral("before"));
    QVERIFY(inSign([&](QWidget *window, QPlainTextEdit *box) {
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        typeText(box, QStringLiteral("\nRegards,\nAnn"));
        // Escape closes nothing; OK does.
        if (how == u"Escape") {
            QTest::keyClick(box, Qt::Key_Escape);
            QVERIFY(window->isVisible());
            how = QStringLiteral("Command1");
        }
        if (how == u"close")
            window->close();
        else
            click(window, how);
        QVERIFY(!window->isVisible());
    }));
    QVERIFY(Forms::sign().isLoaded());
    QString shown;
    QVERIFY(inSign([&](QWidget *, QPlainTextEdit *box) { shown = box->toPlainText(); }));
    QCOMPARE(shown, QStringLiteral("before\nRegards,\nAnn"));
}

// The text arrives in front of the cursor, which stays in front of what the
// box already held after it.
void TestSign::apostrophesAreTakenOutAsTheyArrive_data()
{
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept");
    const auto row = [](const char *name, const char *held, const char *how, const QString &text,
                         const QString &kept) {
        QTest::newRow(name) << QString(held) << QString(how) << text << kept;
    };
    row("typed", "", "typed", "it's Ann's", "its Anns");
    row("typed in front of text", "Ann", "typed", "'Dear' ", "Dear Ann");
    row("pasted", "", "pasted", "'quoted'\nand 'more'", "quoted\nand more");
    row("set by code", "", "code", "O'Neill's\n'sig'", "ONeills\nsig");
    row("only apostrophes", "", "code", "'''", "");
    row("other quotation marks stay", "", "code", u"‘’ ＇ \" ` ´"_qs, u"‘’ ＇ \" ` ´"_qs);
}

void TestSign::apostrophesAreTakenOutAsTheyArrive()
{
    QFETCH(QString, held);
    QFETCH(QString, how);
    QFETCH(QString, text);
    QString shown;
    QVERIFY(inSign([&](QWidget *, QPlainTextEdit *box) {
        QTest::keyClicks(box, held);
        QTest::keyClick(box, Qt::Key_Home);
        if (how == u"typed") {
            typeText(box, text);
        } else if (how == u"pasted") {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            Forms::sign().Text1()->setPlainText(text);
        }
        shown = box->toPlainText();
        if (how != u"code")
            QCOMPARE(shown.mid(box->textCursor().position()), held);
    }));
    QTEST(shown, "kept");
}

void TestSign::undoTakesBackTheTypingThatBroughtTheApostrophe()
{
    QVERIFY(inSign([](QWidget *, QPlainTextEdit *box) {
        QApplication::clipboard()->setText(QStringLiteral("x'y"));
        QTest::keyClicks(box, QStringLiteral("keep "));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("keep xy"));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("keep "));
    }));
}

// A window too low for the box leaves its height alone but still sets its width.
void TestSign::theBoxFillsTheClientAreaAboveTheButtonsAndFollowsTheWidthAlone()
{
    QVERIFY(inSign([](QWidget *window, QPlainTextEdit *box) {
        QCOMPARE(window->size(), QSize(twipsToPixels(7710), twipsToPixels(3780)));
        QCOMPARE(box->geometry(), QRect(0, 0, window->width(), twipsToPixels(3780 - 600)));
        QVERIFY(box->geometry().bottom() < control<QPushButton>(window, "Command1")->y());
        window->setFixedSize(600, twipsToPixels(450));
        QCOMPARE(box->height(), twipsToPixels(3780 - 600));
        QCOMPARE(box->width(), 600);
    }));
}

QTEST_MAIN(TestSign)
#include "tst_sign.moc"
