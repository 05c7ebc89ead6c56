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

Sign &sign()
{
    return Forms::sign();
}

QPlainTextEdit *signatureBox(QWidget *window)
{
    return control<QPlainTextEdit>(window, QStringLiteral("Text1"));
}

} // namespace

class TestSign : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void everyWayOfClosingOnlyHidesAndKeepsTheText_data();
    void everyWayOfClosingOnlyHidesAndKeepsTheText();
    void theTextIsThereAgainAtTheNextShowing();
    void apostrophesAreTakenOutAsTheyArrive_data();
    void apostrophesAreTakenOutAsTheyArrive();
    void typingGoesOnWhereTheApostropheWas();
    void undoTakesBackTheTypingThatBroughtTheApostrophe();
    void theTextBoxFillsTheClientAreaAboveTheButtons();
    void aWindowTooLowForTheBoxLeavesItsHeightButSetsItsWidth();
};

void TestSign::cleanup()
{
    ModalDriver::closeAllModals();
    sign().unload();
    QVERIFY(!sign().isLoaded());
    QCOMPARE(visibleWindows(), QStringList());
}

void TestSign::everyWayOfClosingOnlyHidesAndKeepsTheText_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "Command1";
    QTest::newRow("cancel") << "Command2";
    QTest::newRow("close box") << "close";
    QTest::newRow("Escape") << "Escape";
}

void TestSign::everyWayOfClosingOnlyHidesAndKeepsTheText()
{
    QFETCH(QString, how);
    sign().Text1()->setPlainText(QStringLiteral("before"));
    bool closed = false;
    const bool ran = showAndDrive(sign(), QStringLiteral("Sign"), [&](QWidget *window) {
        QPlainTextEdit *box = signatureBox(window);
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        typeText(box, QStringLiteral("\nRegards,\nAnn"));
        if (how == u"close")
            window->close();
        else if (how == u"Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            click(window, how);
        closed = !window->isVisible();
    });
    QVERIFY(ran);
    QVERIFY(closed);
    QVERIFY(sign().isLoaded());
    QCOMPARE(sign().Text1()->toPlainText(), QStringLiteral("before\nRegards,\nAnn"));
}

void TestSign::theTextIsThereAgainAtTheNextShowing()
{
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [](QWidget *window) {
        QTest::keyClicks(signatureBox(window), QStringLiteral("first"));
        click(window, QStringLiteral("Command2"));
    }));
    QString shown;
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [&](QWidget *window) {
        shown = signatureBox(window)->toPlainText();
        click(window, QStringLiteral("Command1"));
    }));
    QCOMPARE(shown, QStringLiteral("first"));
}

void TestSign::apostrophesAreTakenOutAsTheyArrive_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept");
    QTest::newRow("typed") << "typed"
                           << "it's Ann's"
                           << "its Anns";
    QTest::newRow("pasted") << "pasted"
                            << "'quoted'\nand 'more'"
                            << "quoted\nand more";
    QTest::newRow("set by code") << "code"
                                 << "O'Neill's\n'sig'"
                                 << "ONeills\nsig";
    QTest::newRow("only apostrophes") << "code"
                                      << "'''"
                                      << "";
    QTest::newRow("other quotation marks stay")
        << "code" << u"‘’ ＇ \" ` ´"_qs << u"‘’ ＇ \" ` ´"_qs;
}

void TestSign::apostrophesAreTakenOutAsTheyArrive()
{
    QFETCH(QString, how);
    QFETCH(QString, text);
    QString shown;
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [&](QWidget *window) {
        QPlainTextEdit *box = signatureBox(window);
        if (how == u"typed") {
            typeText(box, text);
        } else if (how == u"pasted") {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            sign().Text1()->setPlainText(text);
        }
        shown = box->toPlainText();
        click(window, QStringLiteral("Command1"));
    }));
    QTEST(shown, "kept");
}

void TestSign::typingGoesOnWhereTheApostropheWas()
{
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [](QWidget *window) {
        QPlainTextEdit *box = signatureBox(window);
        QTest::keyClicks(box, QStringLiteral("Ann"));
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, QStringLiteral("'Dear' "));
        QCOMPARE(box->toPlainText(), QStringLiteral("Dear Ann"));
        QCOMPARE(box->textCursor().position(), 5);
        click(window, QStringLiteral("Command1"));
    }));
}

void TestSign::undoTakesBackTheTypingThatBroughtTheApostrophe()
{
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [](QWidget *window) {
        QPlainTextEdit *box = signatureBox(window);
        QApplication::clipboard()->setText(QStringLiteral("x'y"));
        QTest::keyClicks(box, QStringLiteral("keep "));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("keep xy"));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("keep "));
        click(window, QStringLiteral("Command1"));
    }));
}

void TestSign::theTextBoxFillsTheClientAreaAboveTheButtons()
{
    QRect box;
    int buttonsTop = 0;
    QSize client;
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [&](QWidget *window) {
        box = signatureBox(window)->geometry();
        buttonsTop = control<QPushButton>(window, QStringLiteral("Command1"))->y();
        client = window->size();
        click(window, QStringLiteral("Command1"));
    }));
    QCOMPARE(client, QSize(twipsToPixels(7710), twipsToPixels(3780)));
    QCOMPARE(box, QRect(0, 0, client.width(), twipsToPixels(3780 - 600)));
    QVERIFY(box.bottom() < buttonsTop);
}

void TestSign::aWindowTooLowForTheBoxLeavesItsHeightButSetsItsWidth()
{
    QVERIFY(showAndDrive(sign(), QStringLiteral("Sign"), [](QWidget *window) {
        QPlainTextEdit *box = signatureBox(window);
        const int heightBefore = box->height();
        window->setFixedSize(600, twipsToPixels(450));
        QCOMPARE(box->height(), heightBefore);
        QCOMPARE(box->width(), 600);
        click(window, QStringLiteral("Command1"));
    }));
}

QTEST_MAIN(TestSign)
#include "tst_sign.moc"
