// The four windows as the Designer files build them: what a person sees and
// reaches with the keyboard, read back from the running widgets.

#include "browser/SSTree.h"
#include "ui/Images.h"
#include "ui/Look.h"
#include "ui/Twips.h"

#include "ui_AccountAdd.h"
#include "ui_AccountBrowse.h"
#include "ui_FolderAdd.h"
#include "ui_Sign.h"

#include <QAction>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <limits>

#include <memory>

namespace {

std::unique_ptr<QDialog> buildWindow(const QString &name)
{
    auto dialog = std::make_unique<QDialog>();
    if (name == u"AccountBrowse")
        Ui::AccountBrowse().setupUi(dialog.get());
    else if (name == u"AccountAdd")
        Ui::AccountAdd().setupUi(dialog.get());
    else if (name == u"FolderAdd")
        Ui::FolderAdd().setupUi(dialog.get());
    else if (name == u"Sign")
        Ui::Sign().setupUi(dialog.get());
    return dialog;
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(
        twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

struct Control {
    const char *window;
    const char *name;
    const char *kind;
    const char *container;
    QString caption;
    QRect twips;
};

// Every control of the four windows, in twips from the top left of its window's client area
// or of its frame.
const QList<Control> &controls()
{
    static const QList<Control> all = {
        {"AccountBrowse", "Toolbar1", "QToolBar", "AccountBrowse", "", {0, 0, 9510, 585}},
        // The tree's top sits below the toolbar and its bottom on the client area's bottom.
        {"AccountBrowse", "SSTree1", "SSTree", "AccountBrowse", "", {0, 600, 9510, 5640}},

        {"AccountAdd", "Label1", "QLabel", "AccountAdd", u"アカウント名"_qs, {360, 240, 1245, 255}},
        {"AccountAdd", "Text1", "QLineEdit", "AccountAdd", "", {1800, 240, 2535, 270}},
        {"AccountAdd", "Label2", "QLabel", "AccountAdd", u"送信者名"_qs, {360, 600, 1245, 255}},
        {"AccountAdd", "Text2", "QLineEdit", "AccountAdd", "", {1800, 600, 2535, 270}},
        {"AccountAdd", "Frame1", "QGroupBox", "AccountAdd", u"メール情報"_qs,
            {240, 1080, 4935, 3615}},
        {"AccountAdd", "Frame2", "QGroupBox", "AccountAdd", u"FAX情報"_qs,
            {5280, 1080, 4935, 3615}},
        {"AccountAdd", "Command3", "QPushButton", "AccountAdd", u"署名作成(&S)"_qs,
            {3720, 4080, 1215, 375}},
        {"AccountAdd", "Command1", "QPushButton", "AccountAdd", u"OK(&O)"_qs,
            {7560, 4920, 1215, 375}},
        {"AccountAdd", "Command2", "QPushButton", "AccountAdd", u"ｷｬﾝｾﾙ(&C)"_qs,
            {9000, 4920, 1215, 375}},

        {"AccountAdd", "Label3", "QLabel", "Frame1", u"送信者アドレス"_qs, {120, 360, 1245, 255}},
        {"AccountAdd", "Text3", "QLineEdit", "Frame1", "", {1320, 360, 3375, 270}},
        {"AccountAdd", "Label4", "QLabel", "Frame1", u"ＳＭＴＰサーバ"_qs, {120, 720, 1245, 255}},
        {"AccountAdd", "Text4", "QLineEdit", "Frame1", "", {1320, 720, 3375, 270}},
        {"AccountAdd", "Label5", "QLabel", "Frame1", u"ＳＭＴＰポート"_qs, {120, 1080, 1245, 255}},
        {"AccountAdd", "Text5", "QLineEdit", "Frame1", "", {1320, 1080, 1095, 270}},
        {"AccountAdd", "Label6", "QLabel", "Frame1", u"ＰＯＰサーバ"_qs, {120, 1440, 1245, 255}},
        {"AccountAdd", "Text6", "QLineEdit", "Frame1", "", {1320, 1440, 3375, 270}},
        {"AccountAdd", "Label7", "QLabel", "Frame1", u"ＰＯＰポート"_qs, {120, 1800, 1245, 255}},
        {"AccountAdd", "Text7", "QLineEdit", "Frame1", "", {1320, 1800, 1095, 270}},
        {"AccountAdd", "Label8", "QLabel", "Frame1", u"ユーザＩＤ"_qs, {120, 2160, 1245, 255}},
        {"AccountAdd", "Text8", "QLineEdit", "Frame1", "", {1320, 2160, 2535, 270}},
        {"AccountAdd", "Label9", "QLabel", "Frame1", u"パスワード"_qs, {120, 2520, 1245, 255}},
        {"AccountAdd", "Text9", "QLineEdit", "Frame1", "", {1320, 2520, 2535, 270}},

        {"AccountAdd", "Label10", "QLabel", "Frame2", u"会社名"_qs, {120, 360, 1215, 255}},
        {"AccountAdd", "TextOfficeName", "QLineEdit", "Frame2", "", {1440, 360, 3200, 285}},
        {"AccountAdd", "Label11", "QLabel", "Frame2", u"所属"_qs, {120, 720, 1215, 255}},
        {"AccountAdd", "TextOfficeSection", "QLineEdit", "Frame2", "", {1440, 720, 3200, 285}},
        {"AccountAdd", "Label12", "QLabel", "Frame2", u"電話番号"_qs, {120, 1080, 1215, 255}},
        {"AccountAdd", "TextTelNumber", "QLineEdit", "Frame2", "", {1440, 1080, 2115, 285}},
        {"AccountAdd", "Label13", "QLabel", "Frame2", u"FAX番号"_qs, {120, 1440, 1095, 255}},
        {"AccountAdd", "TextFaxNumber", "QLineEdit", "Frame2", "", {1440, 1440, 2115, 285}},
        {"AccountAdd", "Label16", "QLabel", "Frame2", u"携帯番号"_qs, {120, 1800, 1095, 255}},
        {"AccountAdd", "TextHandy", "QLineEdit", "Frame2", "", {1440, 1800, 2115, 285}},
        {"AccountAdd", "Label14", "QLabel", "Frame2", u"住所1"_qs, {120, 2160, 1215, 255}},
        {"AccountAdd", "TextAddress1", "QLineEdit", "Frame2", "", {1440, 2160, 3195, 285}},
        {"AccountAdd", "Label15", "QLabel", "Frame2", u"住所2"_qs, {120, 2520, 1095, 255}},
        {"AccountAdd", "TextAddress2", "QLineEdit", "Frame2", "", {1440, 2520, 3195, 285}},

        {"FolderAdd", "Label1", "QLabel", "FolderAdd", u"フォルダ名"_qs, {240, 240, 975, 255}},
        {"FolderAdd", "Text1", "QLineEdit", "FolderAdd", "", {1320, 240, 3495, 270}},
        {"FolderAdd", "Command2", "QPushButton", "FolderAdd", u"OK"_qs, {2760, 720, 975, 300}},
        {"FolderAdd", "Command3", "QPushButton", "FolderAdd", u"ｷｬﾝｾﾙ"_qs, {3840, 720, 975, 300}},

        {"Sign", "Text1", "QPlainTextEdit", "Sign", "", {0, 0, 7695, 3135}},
        {"Sign", "Command1", "QPushButton", "Sign", u"OK(&O)"_qs, {4680, 3240, 1335, 375}},
        {"Sign", "Command2", "QPushButton", "Sign", u"ｷｬﾝｾﾙ(&C)"_qs, {6240, 3240, 1335, 375}},
    };
    return all;
}

QString shownText(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    if (const auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        return edit->toPlainText();
    return widget->windowTitle();
}

// Exactly one widget of that name, or the test fails.
template <typename T = QWidget> T *only(const QWidget &window, const QString &name)
{
    const QList<T *> found = window.findChildren<T *>(name);
    if (found.size() != 1) {
        QTest::qFail(qPrintable(QStringLiteral("%1 widgets named %2").arg(found.size()).arg(name)),
            __FILE__, __LINE__);
        return nullptr;
    }
    return found.first();
}

QImage rendered(const QIcon &icon, QSize size)
{
    return icon.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

int opaquePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255;
    return count;
}

int transparentPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 0;
    return count;
}

// The windows' font; the code sets it, the Designer files do not.
QFont designFont()
{
    QFont font(u"MS UI Gothic"_qs);
    font.setPointSizeF(9.75);
    return font;
}

bool showAndActivate(QDialog &dialog)
{
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

const QStringList windowNames = {"AccountBrowse", "AccountAdd", "FolderAdd", "Sign"};

} // namespace

class TestLayouts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowHasItsCaptionAndClientSize_data();
    void windowHasItsCaptionAndClientSize();
    void controlSitsWhereTheLayoutPutsIt_data();
    void controlSitsWhereTheLayoutPutsIt();
    void windowHoldsExactlyTheLayoutsControls_data();
    void windowHoldsExactlyTheLayoutsControls();
    void textBoxTakesItsLengthEchoAndInputMethod_data();
    void textBoxTakesItsLengthEchoAndInputMethod();
    void typingStopsAtTheMaximumLength_data();
    void typingStopsAtTheMaximumLength();
    void passwordBoxNeverShowsTheTypedCharacters();
    void labelShowsItsWholeCaptionInTheDesignFont_data();
    void labelShowsItsWholeCaptionInTheDesignFont();
    void onlyTheLayoutsDefaultButtonIsDefault_data();
    void onlyTheLayoutsDefaultButtonIsDefault();
    void returnInATextBoxPressesTheDefaultButton_data();
    void returnInATextBoxPressesTheDefaultButton();
    void tabMovesThroughTheControlsInLayoutOrder_data();
    void tabMovesThroughTheControlsInLayoutOrder();
    void signatureBoxScrollsInsteadOfWrapping();
    void toolbarButtonsRunInThreeGroups();
    void toolbarButtonShowsItsCaptionAndImage_data();
    void toolbarButtonShowsItsCaptionAndImage();
    void treeFillsTheClientAreaBelowTheToolbar();
    void treeImageRendersForItsKey_data();
    void treeImageRendersForItsKey();
    void treeImagesAreFourDistinctPictures();
    void toolbarImagesAreEightDistinctPictures();
};

void TestLayouts::initTestCase()
{
    applyJapaneseLook();
}

void TestLayouts::windowHasItsCaptionAndClientSize_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<bool>("fixed");

    QTest::newRow("account list") << "AccountBrowse" << u"アカウント一覧"_qs
                                  << twipsSize(9510, 6240) << false;
    QTest::newRow("account editor")
        << "AccountAdd" << u"アカウント追加"_qs << twipsSize(10425, 5520) << true;
    QTest::newRow("folder dialog")
        << "FolderAdd" << u"アカウントフォルダの作成"_qs << twipsSize(5100, 1260) << true;
    QTest::newRow("signature dialog") << "Sign" << u"署名作成"_qs << twipsSize(7710, 3780) << true;
}

void TestLayouts::windowHasItsCaptionAndClientSize()
{
    QFETCH(QString, window);
    QFETCH(QSize, clientSize);
    QFETCH(bool, fixed);

    const auto dialog = buildWindow(window);
    QCOMPARE(dialog->objectName(), window);
    QTEST(dialog->windowTitle(), "caption");
    QCOMPARE(dialog->size(), clientSize);
    if (fixed) {
        QCOMPARE(dialog->minimumSize(), clientSize);
        QCOMPARE(dialog->maximumSize(), clientSize);
    } else {
        QCOMPARE(dialog->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }
}

void TestLayouts::controlSitsWhereTheLayoutPutsIt_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");

    for (const Control &c : controls())
        QTest::addRow("%s %s", c.window, c.name)
            << c.window << c.name << QByteArray(c.kind) << c.container << c.caption
            << twipsRect(c.twips.x(), c.twips.y(), c.twips.width(), c.twips.height());
}

void TestLayouts::controlSitsWhereTheLayoutPutsIt()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QRect, geometry);

    const auto dialog = buildWindow(window);
    QWidget *widget = only(*dialog, control);
    QVERIFY(widget);
    QTEST(QByteArray(widget->metaObject()->className()), "kind");
    QTEST(widget->parentWidget()->objectName(), "container");
    QTEST(shownText(widget), "caption");
    QCOMPARE(widget->geometry(), geometry);

    // Nothing laid over it hides it (a frame takes the clicks on its own children, so skip it).
    if (!qobject_cast<QGroupBox *>(widget)) {
        QWidget *hit = widget->parentWidget()->childAt(geometry.center());
        QVERIFY2(hit == widget || widget->isAncestorOf(hit),
            qPrintable(hit ? hit->objectName() : QStringLiteral("nothing")));
    }
}

void TestLayouts::windowHoldsExactlyTheLayoutsControls_data()
{
    QTest::addColumn<QString>("window");
    for (const QString &name : windowNames)
        QTest::newRow(qPrintable(name)) << name;
}

void TestLayouts::windowHoldsExactlyTheLayoutsControls()
{
    QFETCH(QString, window);

    QStringList expected;
    for (const Control &c : controls())
        if (window == QLatin1String(c.window))
            expected << c.name;
    QStringList found;
    const auto dialog = buildWindow(window);
    for (const QWidget *widget : dialog->findChildren<QWidget *>())
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"))
            found << widget->objectName();
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
}

void TestLayouts::textBoxTakesItsLengthEchoAndInputMethod_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("password");
    QTest::addColumn<bool>("inputMethodDisabled");

    // Qt's default limit (32767) would cut a long text; no limit is the largest.
    const int noLimit = std::numeric_limits<int>::max();
    QTest::newRow("account name") << "AccountAdd"
                                  << "Text1" << 100 << false << false;
    QTest::newRow("sender name") << "AccountAdd"
                                 << "Text2" << 100 << false << false;
    QTest::newRow("sender address") << "AccountAdd"
                                    << "Text3" << 100 << false << false;
    QTest::newRow("smtp server") << "AccountAdd"
                                 << "Text4" << 100 << false << true;
    QTest::newRow("smtp port") << "AccountAdd"
                               << "Text5" << 8 << false << true;
    QTest::newRow("pop server") << "AccountAdd"
                                << "Text6" << 100 << false << true;
    QTest::newRow("pop port") << "AccountAdd"
                              << "Text7" << 8 << false << true;
    QTest::newRow("user id") << "AccountAdd"
                             << "Text8" << 30 << false << true;
    QTest::newRow("password") << "AccountAdd"
                              << "Text9" << 30 << true << true;
    QTest::newRow("company") << "AccountAdd"
                             << "TextOfficeName" << 100 << false << false;
    QTest::newRow("section") << "AccountAdd"
                             << "TextOfficeSection" << 100 << false << false;
    QTest::newRow("telephone") << "AccountAdd"
                               << "TextTelNumber" << 20 << false << false;
    QTest::newRow("fax") << "AccountAdd"
                         << "TextFaxNumber" << 20 << false << false;
    QTest::newRow("mobile") << "AccountAdd"
                            << "TextHandy" << noLimit << false << false;
    QTest::newRow("address 1") << "AccountAdd"
                               << "TextAddress1" << 100 << false << false;
    QTest::newRow("address 2") << "AccountAdd"
                               << "TextAddress2" << noLimit << false << false;
    QTest::newRow("folder name") << "FolderAdd"
                                 << "Text1" << 100 << false << false;
}

void TestLayouts::textBoxTakesItsLengthEchoAndInputMethod()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(bool, password);
    QFETCH(bool, inputMethodDisabled);

    const auto dialog = buildWindow(window);
    auto *edit = only<QLineEdit>(*dialog, box);
    QVERIFY(edit);
    QTEST(edit->maxLength(), "maxLength");
    QCOMPARE(edit->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
    const Qt::InputMethodHints hints = edit->inputMethodHints();
    QCOMPARE(hints.testFlag(Qt::ImhLatinOnly), inputMethodDisabled);
    QCOMPARE(hints.testFlag(Qt::ImhNoPredictiveText), inputMethodDisabled || password);
    // The password box keeps what the echo mode asks of an input method as well.
    QCOMPARE(hints.testFlag(Qt::ImhHiddenText), password);
}

void TestLayouts::typingStopsAtTheMaximumLength_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("smtp port") << "AccountAdd"
                               << "Text5"
                               << "1234567890"
                               << "12345678";
    QTest::newRow("pop port") << "AccountAdd"
                              << "Text7"
                              << "995995995"
                              << "99599599";
    QTest::newRow("user id") << "AccountAdd"
                             << "Text8" << QString(35, u'u') << QString(30, u'u');
    QTest::newRow("password") << "AccountAdd"
                              << "Text9" << QString(31, u'p') << QString(30, u'p');
    QTest::newRow("mobile has no limit") << "AccountAdd"
                                         << "TextHandy" << QString(150, u'0') << QString(150, u'0');
}

void TestLayouts::typingStopsAtTheMaximumLength()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(QString, typed);

    const auto dialog = buildWindow(window);
    auto *edit = only<QLineEdit>(*dialog, box);
    QVERIFY(edit);
    QTest::keyClicks(edit, typed);
    QTEST(edit->text(), "kept");
}

void TestLayouts::passwordBoxNeverShowsTheTypedCharacters()
{
    const auto dialog = buildWindow("AccountAdd");
    auto *password = only<QLineEdit>(*dialog, "Text9");
    QVERIFY(password);
    QTest::keyClicks(password, "secret");
    QCOMPARE(password->text(), u"secret"_qs);
    QCOMPARE(password->displayText().size(), 6);
    for (const QChar c : u"secret"_qs)
        QVERIFY(!password->displayText().contains(c));
}

void TestLayouts::labelShowsItsWholeCaptionInTheDesignFont_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("label");
    for (const Control &c : controls())
        if (qstrcmp(c.kind, "QLabel") == 0)
            QTest::addRow("%s %s", c.window, c.name) << c.window << c.name;
}

void TestLayouts::labelShowsItsWholeCaptionInTheDesignFont()
{
    QFETCH(QString, window);
    QFETCH(QString, label);

    const auto dialog = buildWindow(window);
    dialog->setFont(designFont());
    auto *caption = only<QLabel>(*dialog, label);
    QVERIFY(caption);
    const QString family = QFontInfo(caption->font()).family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
        qPrintable(family));
    const QSize needed = caption->sizeHint();
    QVERIFY2(needed.width() <= caption->width() && needed.height() <= caption->height(),
        qPrintable(QStringLiteral("%1 needs %2 x %3 px")
                       .arg(family)
                       .arg(needed.width())
                       .arg(needed.height())));
}

void TestLayouts::onlyTheLayoutsDefaultButtonIsDefault_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("defaultButton");

    QTest::newRow("account editor: OK") << "AccountAdd"
                                        << "Command1";
    QTest::newRow("folder dialog: OK") << "FolderAdd"
                                       << "Command2";
    QTest::newRow("signature dialog: none") << "Sign"
                                            << "";
}

void TestLayouts::onlyTheLayoutsDefaultButtonIsDefault()
{
    QFETCH(QString, window);
    QFETCH(QString, defaultButton);

    const auto dialog = buildWindow(window);
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    QVERIFY(!buttons.isEmpty());
    for (const QPushButton *button : buttons)
        QVERIFY2(button->isDefault() == (button->objectName() == defaultButton),
            qPrintable(button->objectName()));
}

void TestLayouts::returnInATextBoxPressesTheDefaultButton_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("defaultButton");

    QTest::newRow("account editor") << "AccountAdd"
                                    << "TextOfficeName"
                                    << "Command1";
    QTest::newRow("folder dialog") << "FolderAdd"
                                   << "Text1"
                                   << "Command2";
}

void TestLayouts::returnInATextBoxPressesTheDefaultButton()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(QString, defaultButton);

    const auto dialog = buildWindow(window);
    auto *edit = only<QLineEdit>(*dialog, box);
    auto *button = only<QPushButton>(*dialog, defaultButton);
    QVERIFY(edit && button);
    QVERIFY(showAndActivate(*dialog));
    edit->setFocus();
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);
}

void TestLayouts::tabMovesThroughTheControlsInLayoutOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("account list") << "AccountBrowse" << QStringList {"SSTree1"};
    QTest::newRow("account editor")
        << "AccountAdd"
        << QStringList {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8",
               "Text9", "Command3", "TextOfficeName", "TextOfficeSection", "TextTelNumber",
               "TextFaxNumber", "TextHandy", "TextAddress1", "TextAddress2", "Command1",
               "Command2"};
    QTest::newRow("folder dialog") << "FolderAdd" << QStringList {"Text1", "Command2", "Command3"};
    QTest::newRow("signature dialog") << "Sign" << QStringList {"Command1", "Command2", "Text1"};
}

void TestLayouts::tabMovesThroughTheControlsInLayoutOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, order);

    const auto dialog = buildWindow(window);
    QVERIFY(showAndActivate(*dialog));
    QStringList visited;
    for (qsizetype i = 0; i <= order.size(); ++i) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    // Round the whole window and back to the first control.
    QCOMPARE(visited, order + QStringList {order.first()});
}

void TestLayouts::signatureBoxScrollsInsteadOfWrapping()
{
    const auto dialog = buildWindow("Sign");
    auto *text = only<QPlainTextEdit>(*dialog, "Text1");
    QVERIFY(text);
    QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QVERIFY(showAndActivate(*dialog));
    QCOMPARE(text->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(text->verticalScrollBar()->maximum(), 0);

    text->setPlainText(QString(300, u'x') + QString(40, u'\n'));
    QTRY_VERIFY(text->horizontalScrollBar()->maximum() > 0);
    QVERIFY(text->verticalScrollBar()->maximum() > 0);
    QCOMPARE(text->document()->lineCount(), 41);
}

void TestLayouts::toolbarButtonsRunInThreeGroups()
{
    const auto dialog = buildWindow("AccountBrowse");
    auto *toolbar = only<QToolBar>(*dialog, "Toolbar1");
    QVERIFY(toolbar);
    QStringList buttons;
    for (const QAction *action : toolbar->actions())
        buttons << (action->isSeparator() ? u"|"_qs : action->objectName());
    QCOMPARE(buttons.join(u' '), u"addf updatef delf | add update copy del | close"_qs);
    QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(toolbar->iconSize(), QSize(20, 20));
}

void TestLayouts::toolbarButtonShowsItsCaptionAndImage_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("image");

    QTest::newRow("add folder") << "addf" << u"追加"_qs << 0;
    QTest::newRow("modify folder") << "updatef" << u"修正"_qs << 1;
    QTest::newRow("delete folder") << "delf" << u"削除"_qs << 2;
    QTest::newRow("add account") << "add" << u"追加"_qs << 3;
    QTest::newRow("modify account") << "update" << u"修正"_qs << 4;
    QTest::newRow("copy account") << "copy" << u"複写"_qs << 5;
    QTest::newRow("delete account") << "del" << u"削除"_qs << 6;
    QTest::newRow("close") << "close" << u"閉じる"_qs << 7;
}

void TestLayouts::toolbarButtonShowsItsCaptionAndImage()
{
    QFETCH(QString, key);
    QFETCH(int, image);

    const auto dialog = buildWindow("AccountBrowse");
    auto *toolbar = only<QToolBar>(*dialog, "Toolbar1");
    QVERIFY(toolbar);
    const QList<QAction *> named = dialog->findChildren<QAction *>(key);
    QCOMPARE(named.size(), 1);
    QAction *action = named.first();
    QVERIFY(toolbar->actions().contains(action));
    QTEST(action->text(), "caption");
    QVERIFY(action->isEnabled());

    QVERIFY(!action->icon().isNull());
    QCOMPARE(action->icon().actualSize(QSize(20, 20)), QSize(20, 20));
    const QImage picture = rendered(action->icon(), QSize(20, 20));
    QCOMPARE(picture.size(), QSize(20, 20));
    QVERIFY(opaquePixels(picture) > 0);
    QCOMPARE(picture, rendered(toolbarImage(image), QSize(20, 20)));

    // The whole toolbar fits the window, no button pushed into the overflow menu, and each
    // button has room for its image above a line of caption.
    dialog->setFont(designFont());
    QVERIFY(showAndActivate(*dialog));
    QWidget *button = toolbar->widgetForAction(action);
    QVERIFY(button);
    QVERIFY(button->isVisible());
    QVERIFY(toolbar->rect().contains(button->geometry()));
    QVERIFY2(button->height() >= toolbar->iconSize().height() + button->fontMetrics().height(),
        qPrintable(QString::number(button->height())));
}

void TestLayouts::treeFillsTheClientAreaBelowTheToolbar()
{
    const auto dialog = buildWindow("AccountBrowse");
    auto *tree = qobject_cast<SSTree *>(only(*dialog, "SSTree1"));
    auto *toolbar = only<QToolBar>(*dialog, "Toolbar1");
    QVERIFY(tree && toolbar);
    QVERIFY(tree->isHeaderHidden());
    QCOMPARE(tree->columnCount(), 1);
    QCOMPARE(tree->geometry().bottom(), dialog->rect().bottom());
    QCOMPARE(tree->width(), dialog->width());
    QVERIFY(tree->y() > toolbar->geometry().bottom());
    // What the window's resize keeps: the client height less 600 twips.
    QCOMPARE(tree->height(), dialog->height() - twipsToPixels(600));
}

void TestLayouts::treeImageRendersForItsKey_data()
{
    QTest::addColumn<QString>("key");
    for (const char *key : {"root", "open", "account", "close"})
        QTest::newRow(key) << QString::fromLatin1(key);
}

void TestLayouts::treeImageRendersForItsKey()
{
    QFETCH(QString, key);

    const ImageList images = treeImages();
    QCOMPARE(images.imageSize(), QSize(16, 16));
    QVERIFY(images.contains(key));
    const QIcon icon = images.icon(key);
    QVERIFY(!icon.isNull());
    const QImage picture = rendered(icon, QSize(16, 16));
    QCOMPARE(picture.size(), QSize(16, 16));
    QVERIFY(opaquePixels(picture) > 0);
    // Drawn on a transparent background, not on the silver of old image lists.
    QVERIFY(transparentPixels(picture) > 0);
}

void TestLayouts::treeImagesAreFourDistinctPictures()
{
    const ImageList images = treeImages();
    QCOMPARE(images.count(), 4);
    const QStringList keys = {"root", "open", "account", "close"};
    for (qsizetype i = 0; i < keys.size(); ++i)
        for (qsizetype j = i + 1; j < keys.size(); ++j)
            QVERIFY2(rendered(images.icon(keys[i]), QSize(16, 16))
                    != rendered(images.icon(keys[j]), QSize(16, 16)),
                qPrintable(keys[i] + u" looks like "_qs + keys[j]));
}

void TestLayouts::toolbarImagesAreEightDistinctPictures()
{
    QCOMPARE(toolbarImageCount(), 8);
    QVERIFY(toolbarImage(-1).isNull());
    QVERIFY(toolbarImage(toolbarImageCount()).isNull());
    QList<QImage> pictures;
    for (int i = 0; i < toolbarImageCount(); ++i) {
        const QImage picture = rendered(toolbarImage(i), QSize(20, 20));
        QVERIFY2(opaquePixels(picture) > 0, qPrintable(QString::number(i)));
        QVERIFY2(transparentPixels(picture) > 0, qPrintable(QString::number(i)));
        QVERIFY2(!pictures.contains(picture), qPrintable(QString::number(i)));
        pictures << picture;
    }
}

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
