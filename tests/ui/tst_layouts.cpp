// The four windows as the Designer files build them: what a person sees and
// reaches with the keyboard, read back from the running widgets.

#include "browser/SSTree.h"
#include "ui/Forms.h"
#include "dialogs/FolderAdd.h"
#include "editor/AccountAdd.h"
#include "ui/FormDialog.h"
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
#include <QScopeGuard>
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

// What a text box takes: any input method, none (addresses, servers, ports, ids), or none
// and hidden characters (the password).
enum class Input { Any, Latin, Hidden };

struct Control {
    const char *name;
    const char *kind;
    const char *container;
    QString caption;
    QRect twips; // from the top left of the window's client area or of the frame
    int maxLength = 0; // text boxes only
    Input input = Input::Any;
};

struct Window {
    const char *name;
    QString caption;
    QSize twips; // the client area
    bool fixed;
    const char *box; // Return in it presses the default button
    const char *defaultButton;
    QList<Control> controls; // all of them, in tab order
};

// Qt's default limit (32767) would cut a long text; no limit is the largest.
constexpr int noLimit = std::numeric_limits<int>::max();

const QList<Window> &windows()
{
    using enum Input;
    static const QList<Window> all = {
        {"AccountBrowse", u"アカウント一覧"_qs, {9510, 6240}, false, "", "",
            {
                {"Toolbar1", "QToolBar", "AccountBrowse", "", {0, 0, 9510, 585}},
                // The tree's top sits below the toolbar and its bottom on the client area's bottom.
                {"SSTree1", "SSTree", "AccountBrowse", "", {0, 600, 9510, 5640}},
            }},
        {"AccountAdd", u"アカウント追加"_qs, {10425, 5520}, true, "TextOfficeName", "Command1",
            {
                {"Label1", "QLabel", "AccountAdd", u"アカウント名"_qs, {360, 240, 1245, 255}},
                {"Text1", "QLineEdit", "AccountAdd", "", {1800, 240, 2535, 270}, 100},
                {"Label2", "QLabel", "AccountAdd", u"送信者名"_qs, {360, 600, 1245, 255}},
                {"Text2", "QLineEdit", "AccountAdd", "", {1800, 600, 2535, 270}, 100},
                {"Frame1", "QGroupBox", "AccountAdd", u"メール情報"_qs, {240, 1080, 4935, 3615}},
                {"Label3", "QLabel", "Frame1", u"送信者アドレス"_qs, {120, 360, 1245, 255}},
                {"Text3", "QLineEdit", "Frame1", "", {1320, 360, 3375, 270}, 100},
                {"Label4", "QLabel", "Frame1", u"ＳＭＴＰサーバ"_qs, {120, 720, 1245, 255}},
                {"Text4", "QLineEdit", "Frame1", "", {1320, 720, 3375, 270}, 100, Latin},
                {"Label5", "QLabel", "Frame1", u"ＳＭＴＰポート"_qs, {120, 1080, 1245, 255}},
                {"Text5", "QLineEdit", "Frame1", "", {1320, 1080, 1095, 270}, 8, Latin},
                {"Label6", "QLabel", "Frame1", u"ＰＯＰサーバ"_qs, {120, 1440, 1245, 255}},
                {"Text6", "QLineEdit", "Frame1", "", {1320, 1440, 3375, 270}, 100, Latin},
                {"Label7", "QLabel", "Frame1", u"ＰＯＰポート"_qs, {120, 1800, 1245, 255}},
                {"Text7", "QLineEdit", "Frame1", "", {1320, 1800, 1095, 270}, 8, Latin},
                {"Label8", "QLabel", "Frame1", u"ユーザＩＤ"_qs, {120, 2160, 1245, 255}},
                {"Text8", "QLineEdit", "Frame1", "", {1320, 2160, 2535, 270}, 30, Latin},
                {"Label9", "QLabel", "Frame1", u"パスワード"_qs, {120, 2520, 1245, 255}},
                {"Text9", "QLineEdit", "Frame1", "", {1320, 2520, 2535, 270}, 30, Hidden},
                {"Command3", "QPushButton", "AccountAdd", u"署名作成(&S)"_qs,
                    {3720, 4080, 1215, 375}},
                {"Frame2", "QGroupBox", "AccountAdd", u"FAX情報"_qs, {5280, 1080, 4935, 3615}},
                {"Label10", "QLabel", "Frame2", u"会社名"_qs, {120, 360, 1215, 255}},
                {"TextOfficeName", "QLineEdit", "Frame2", "", {1440, 360, 3200, 285}, 100},
                {"Label11", "QLabel", "Frame2", u"所属"_qs, {120, 720, 1215, 255}},
                {"TextOfficeSection", "QLineEdit", "Frame2", "", {1440, 720, 3200, 285}, 100},
                {"Label12", "QLabel", "Frame2", u"電話番号"_qs, {120, 1080, 1215, 255}},
                {"TextTelNumber", "QLineEdit", "Frame2", "", {1440, 1080, 2115, 285}, 20},
                {"Label13", "QLabel", "Frame2", u"FAX番号"_qs, {120, 1440, 1095, 255}},
                {"TextFaxNumber", "QLineEdit", "Frame2", "", {1440, 1440, 2115, 285}, 20},
                {"Label16", "QLabel", "Frame2", u"携帯番号"_qs, {120, 1800, 1095, 255}},
                {"TextHandy", "QLineEdit", "Frame2", "", {1440, 1800, 2115, 285}, noLimit},
                {"Label14", "QLabel", "Frame2", u"住所1"_qs, {120, 2160, 1215, 255}},
                {"TextAddress1", "QLineEdit", "Frame2", "", {1440, 2160, 3195, 285}, 100},
                {"Label15", "QLabel", "Frame2", u"住所2"_qs, {120, 2520, 1095, 255}},
                {"TextAddress2", "QLineEdit", "Frame2", "", {1440, 2520, 3195, 285}, noLimit},
                {"Command1", "QPushButton", "AccountAdd", u"OK(&O)"_qs, {7560, 4920, 1215, 375}},
                {"Command2", "QPushButton", "AccountAdd", u"ｷｬﾝｾﾙ(&C)"_qs, {9000, 4920, 1215, 375}},
            }},
        {"FolderAdd", u"アカウントフォルダの作成"_qs, {5100, 1260}, true, "Text1", "Command2",
            {
                {"Label1", "QLabel", "FolderAdd", u"フォルダ名"_qs, {240, 240, 975, 255}},
                {"Text1", "QLineEdit", "FolderAdd", "", {1320, 240, 3495, 270}, 100},
                {"Command2", "QPushButton", "FolderAdd", u"OK"_qs, {2760, 720, 975, 300}},
                {"Command3", "QPushButton", "FolderAdd", u"ｷｬﾝｾﾙ"_qs, {3840, 720, 975, 300}},
            }},
        {"Sign", u"署名作成"_qs, {7710, 3780}, true, "", "",
            {
                {"Command1", "QPushButton", "Sign", u"OK(&O)"_qs, {4680, 3240, 1335, 375}},
                {"Command2", "QPushButton", "Sign", u"ｷｬﾝｾﾙ(&C)"_qs, {6240, 3240, 1335, 375}},
                {"Text1", "QPlainTextEdit", "Sign", "", {0, 0, 7695, 3135}},
            }},
    };
    return all;
}

QSize pixels(QSize twips)
{
    return QSize(twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}

// The caption, title or text a control shows.
QString shownText(const QWidget *widget)
{
    for (const char *property : {"text", "title", "plainText"})
        if (const QVariant value = widget->property(property); value.isValid())
            return value.toString();
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

int pixelsWithAlpha(const QImage &image, int alpha)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == alpha;
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

} // namespace

class TestLayouts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { applyJapaneseLook(); }

    void windowHoldsItsControlsInTabOrder_data()
    {
        QTest::addColumn<Window>("window");
        for (const Window &window : windows())
            QTest::newRow(window.name) << window;
    }

    void windowHoldsItsControlsInTabOrder()
    {
        QFETCH(Window, window);
        const auto dialog = buildWindow(window.name);
        const QSize size = pixels(window.twips);
        QCOMPARE(dialog->objectName(), QLatin1String(window.name));
        QCOMPARE(dialog->windowTitle(), window.caption);
        QCOMPARE(dialog->size(), size);
        QCOMPARE(dialog->minimumSize(), window.fixed ? size : QSize(0, 0));
        QCOMPARE(
            dialog->maximumSize(), window.fixed ? size : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

        // The table's controls and nothing else; all but labels, frames and toolbars take the
        // focus.
        QStringList expected, tabOrder, found;
        for (const Control &c : window.controls) {
            expected << c.name;
            if (!QByteArrayList {"QLabel", "QGroupBox", "QToolBar"}.contains(c.kind))
                tabOrder << c.name;
        }
        for (const QWidget *widget : dialog->findChildren<QWidget *>())
            if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"))
                found << widget->objectName();
        expected.sort();
        found.sort();
        QCOMPARE(found, expected);
        for (const QPushButton *button : dialog->findChildren<QPushButton *>())
            QVERIFY2(button->isDefault() == (button->objectName() == window.defaultButton),
                qPrintable(button->objectName()));

        // Round the whole window and back to the first control.
        QVERIFY(showAndActivate(*dialog));
        QStringList visited;
        for (qsizetype i = 0; i <= tabOrder.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            visited << focus->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited, tabOrder + QStringList {tabOrder.first()});

        if (*window.box) {
            auto *edit = only<QLineEdit>(*dialog, window.box);
            auto *button = only<QPushButton>(*dialog, window.defaultButton);
            QVERIFY(edit && button);
            edit->setFocus();
            QSignalSpy clicked(button, &QPushButton::clicked);
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(clicked.count(), 1);
        }
    }

    void controlSitsWhereTheLayoutPutsIt_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Control>("control");
        for (const Window &window : windows())
            for (const Control &control : window.controls)
                QTest::addRow("%s %s", window.name, control.name)
                    << QString(window.name) << control;
    }

    void controlSitsWhereTheLayoutPutsIt()
    {
        QFETCH(QString, window);
        QFETCH(Control, control);

        const auto dialog = buildWindow(window);
        dialog->setFont(designFont());
        QWidget *widget = only(*dialog, control.name);
        QVERIFY(widget);
        QCOMPARE(widget->metaObject()->className(), control.kind);
        QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(control.container));
        QCOMPARE(shownText(widget), control.caption);
        const QRect geometry(
            QPoint(twipsToPixels(control.twips.x()), twipsToPixels(control.twips.y())),
            pixels(control.twips.size()));
        QCOMPARE(widget->geometry(), geometry);

        // Nothing laid over it hides it (a frame takes the clicks on its own children, so skip it).
        if (!qobject_cast<QGroupBox *>(widget)) {
            QWidget *hit = widget->parentWidget()->childAt(geometry.center());
            QVERIFY2(hit == widget || widget->isAncestorOf(hit),
                qPrintable(hit ? hit->objectName() : QStringLiteral("nothing")));
        }

        // A label shows its whole caption, in a face with Japanese glyphs.
        if (const auto *label = qobject_cast<QLabel *>(widget)) {
            const QString family = QFontInfo(label->font()).family();
            QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese),
                qPrintable(family));
            const QSize needed = label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                qPrintable(QStringLiteral("%1 needs %2 x %3 px")
                               .arg(family)
                               .arg(needed.width())
                               .arg(needed.height())));
        }

        auto *edit = qobject_cast<QLineEdit *>(widget);
        QCOMPARE(edit != nullptr, control.maxLength > 0);
        if (!edit)
            return;
        const bool hidden = control.input == Input::Hidden;
        const bool latin = control.input != Input::Any;
        QCOMPARE(edit->maxLength(), control.maxLength);
        QCOMPARE(edit->echoMode(), hidden ? QLineEdit::Password : QLineEdit::Normal);
        const Qt::InputMethodHints hints = edit->inputMethodHints();
        QCOMPARE(hints.testFlag(Qt::ImhLatinOnly), latin);
        QCOMPARE(hints.testFlag(Qt::ImhNoPredictiveText), latin);
        // The password box keeps what the echo mode asks of an input method as well.
        QCOMPARE(hints.testFlag(Qt::ImhHiddenText), hidden);
        // Typing stops at the limit, and the password box shows none of what it takes.
        const QString typed(qMin(control.maxLength, 149) + 1, u'7');
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), typed.left(control.maxLength));
        QCOMPARE(edit->displayText().size(), edit->text().size());
        QCOMPARE(edit->displayText(), hidden ? QString(edit->text().size(), u'*') : edit->text());
    }

    void theWindowsAsTheComponentMakesThem_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("AccountAdd") << "AccountAdd";
        QTest::newRow("FolderAdd") << "FolderAdd";
    }

    // Every caption ends before the box beside it, in the face that stands in
    // for the design font, and the boxes without an input method have none.
    void theWindowsAsTheComponentMakesThem()
    {
        QFETCH(QString, window);
        Form &form = window == u"AccountAdd" ? static_cast<Form &>(Forms::accountAdd())
                                             : Forms::folderAdd();
        const auto unload = qScopeGuard([&] { form.unload(); });
        QWidget *dialog = form.widget();
        for (const Window &design : windows()) {
            if (design.name != window)
                continue;
            for (const Control &control : design.controls) {
                QWidget *widget = only(*dialog, control.name);
                if (auto *edit = qobject_cast<QLineEdit *>(widget))
                    QVERIFY2(edit->testAttribute(Qt::WA_InputMethodEnabled)
                            == (control.input == Input::Any),
                        control.name);
                const auto *label = qobject_cast<QLabel *>(widget);
                if (!label)
                    continue;
                const int end = label->x() + label->fontMetrics().horizontalAdvance(label->text());
                for (const QLineEdit *box : label->parentWidget()->findChildren<QLineEdit *>())
                    if (box->y() == label->y() && box->x() > label->x())
                        QVERIFY2(end < box->x(), control.name);
            }
        }
    }

    void signatureBoxScrollsInsteadOfWrapping()
    {
        const auto dialog = buildWindow("Sign");
        auto *text = only<QPlainTextEdit>(*dialog, "Text1");
        QVERIFY(text);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(showAndActivate(*dialog));
        QVERIFY(text->horizontalScrollBar()->isVisible() && text->verticalScrollBar()->isVisible());
        QCOMPARE(text->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(text->verticalScrollBar()->maximum(), 0);

        text->setPlainText(QString(300, u'x') + QString(40, u'\n'));
        QTRY_VERIFY(text->horizontalScrollBar()->maximum() > 0);
        QVERIFY(text->verticalScrollBar()->maximum() > 0);
        QCOMPARE(text->document()->lineCount(), 41);
    }

    void accountListHasToolbarGroupsAboveAHeaderlessTree()
    {
        const auto dialog = buildWindow("AccountBrowse");
        auto *toolbar = only<QToolBar>(*dialog, "Toolbar1");
        auto *tree = qobject_cast<SSTree *>(only(*dialog, "SSTree1"));
        QVERIFY(toolbar && tree);
        QStringList buttons;
        for (const QAction *action : toolbar->actions())
            buttons << (action->isSeparator() ? u"|"_qs : action->objectName());
        QCOMPARE(buttons.join(u' '), u"addf updatef delf | add update copy del | close"_qs);
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(toolbar->iconSize(), QSize(20, 20));
        // One image for each button, and none beyond them.
        QCOMPARE(toolbarImageCount(), 8);
        QVERIFY(toolbarImage(-1).isNull());
        QVERIFY(toolbarImage(toolbarImageCount()).isNull());

        QVERIFY(tree->isHeaderHidden());
        QCOMPARE(tree->columnCount(), 1);
        QVERIFY(tree->y() > toolbar->geometry().bottom());
        // What the window's resize keeps: the client height less 600 twips.
        QCOMPARE(tree->height(), dialog->height() - twipsToPixels(600));
    }

    void toolbarButtonShowsItsCaptionAndImage_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("image");
        // clang-format off
        QTest::newRow("add folder")     << "addf"    << u"追加"_qs   << 0;
        QTest::newRow("modify folder")  << "updatef" << u"修正"_qs   << 1;
        QTest::newRow("delete folder")  << "delf"    << u"削除"_qs   << 2;
        QTest::newRow("add account")    << "add"     << u"追加"_qs   << 3;
        QTest::newRow("modify account") << "update"  << u"修正"_qs   << 4;
        QTest::newRow("copy account")   << "copy"    << u"複写"_qs   << 5;
        QTest::newRow("delete account") << "del"     << u"削除"_qs   << 6;
        QTest::newRow("close")          << "close"   << u"閉じる"_qs << 7;
        // clang-format on
    }

    void toolbarButtonShowsItsCaptionAndImage()
    {
        QFETCH(QString, key);
        QFETCH(int, image);

        const auto dialog = buildWindow("AccountBrowse");
        auto *toolbar = only<QToolBar>(*dialog, "Toolbar1");
        auto *action = only<QAction>(*dialog, key);
        QVERIFY(toolbar && action);
        QVERIFY(toolbar->actions().contains(action));
        QTEST(action->text(), "caption");
        QVERIFY(action->isEnabled());
        QCOMPARE(action->icon().actualSize(QSize(20, 20)), QSize(20, 20));
        const QImage picture = rendered(action->icon(), QSize(20, 20));
        QCOMPARE(picture, rendered(toolbarImage(image), QSize(20, 20)));
        QVERIFY(pixelsWithAlpha(picture, 255) > 0);
        QVERIFY(pixelsWithAlpha(picture, 0) > 0);
        for (int other = 0; other < toolbarImageCount(); ++other)
            QVERIFY2(other == image || picture != rendered(toolbarImage(other), QSize(20, 20)),
                qPrintable(QString("looks like image %1").arg(other)));

        // The whole toolbar fits the window, no button pushed into the overflow menu, and each
        // button has room for its image above a line of caption.
        dialog->setFont(designFont());
        QVERIFY(showAndActivate(*dialog));
        QWidget *button = toolbar->widgetForAction(action);
        QVERIFY(button && button->isVisible());
        QVERIFY(toolbar->rect().contains(button->geometry()));
        QVERIFY2(button->height() >= toolbar->iconSize().height() + button->fontMetrics().height(),
            qPrintable(QString::number(button->height())));
    }

    void treeImagesAreDistinctPicturesOnATransparentGround()
    {
        const ImageList images = treeImages();
        QCOMPARE(images.imageSize(), QSize(16, 16));
        QCOMPARE(images.count(), 4);
        const QStringList keys = {"root", "open", "account", "close"};
        QList<QImage> seen;
        for (const QString &key : keys) {
            const QImage picture = rendered(images.icon(key), images.imageSize());
            QCOMPARE(picture.size(), QSize(16, 16));
            QVERIFY2(pixelsWithAlpha(picture, 255) > 0, qPrintable(key));
            // Drawn on a transparent background, not on the silver of old image lists.
            QVERIFY2(pixelsWithAlpha(picture, 0) > 0, qPrintable(key));
            const qsizetype earlier = seen.indexOf(picture);
            QVERIFY2(earlier < 0, qPrintable(key + u" looks like "_qs + keys.value(earlier)));
            seen << picture;
        }
    }
};

QTEST_MAIN(TestLayouts)
#include "tst_layouts.moc"
