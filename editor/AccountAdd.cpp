#include "AccountAdd.h"

#include "ui_AccountAdd.h"

#include "browser/AccountBrowse.h"
#include "browser/NodeLook.h"
#include "browser/SSNode.h"
#include "browser/SSTree.h"
#include "component/Forms.h"
#include "dialogs/Sign.h"
#include "editor/EditMode.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/Template.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/MessageBox.h"

#include <QColor>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <functional>
#include <optional>

namespace {

// The seventeen edited columns, in the order of the values the statements carry.
const QStringList editedColumns = {QStringLiteral("NAME"), QStringLiteral("SENDER"),
    QStringLiteral("MAIL_ADDRESS"), QStringLiteral("SMTP_HOST"), QStringLiteral("SMTP_PORT"),
    QStringLiteral("POP_HOST"), QStringLiteral("POP_PORT"), QStringLiteral("USERID"),
    QStringLiteral("PSWD"), QStringLiteral("TEXT_SIG"), QStringLiteral("OFFICE_NAME"),
    QStringLiteral("OFFICE_SECTION"), QStringLiteral("TEL_NUMBER"), QStringLiteral("FAX_NUMBER"),
    QStringLiteral("ADDRESS1"), QStringLiteral("ADDRESS2"), QStringLiteral("HANDY")};
// The values up to TEXT_SIG come before HTML_SIG in the insert.
constexpr int valuesBeforeHtmlSig = 10;

const QString addHtmlSig = QStringLiteral("' ,'");
const QString copyHtmlSig = QStringLiteral(" ' ,'");

// The character code a key press delivers to a text box, as a desktop hands
// it to a key-press handler: Ctrl with a letter gives its control code.
// Keys that move the focus or delete forward type nothing.
std::optional<qint16> typedCharacter(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return std::nullopt;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    if (key.modifiers().testFlag(Qt::ControlModifier) && key.key() >= Qt::Key_A
        && key.key() <= Qt::Key_Z)
        return qint16(key.key() - Qt::Key_A + 1);
    if (key.text().isEmpty())
        return std::nullopt;
    // Signed, as the handler sees it: characters past U+7FFF come out negative.
    return qint16(key.text().at(0).unicode());
}

// Hands every character that would reach a box, typed or committed by an
// input method, to a key-press handler, and keeps out what it discards.
class KeyPressFilter : public QObject {
public:
    using Handler = std::function<void(qint16 &)>;

    KeyPressFilter(QWidget *box, Handler handler)
        : QObject(box)
        , m_handler(std::move(handler))
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            return discards(*static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::InputMethod)
            keepAccepted(*static_cast<QInputMethodEvent *>(event));
        return false;
    }

private:
    bool accepts(qint16 code)
    {
        guardEvent([&] { m_handler(code); });
        return code != 0;
    }

    bool discards(const QKeyEvent &key)
    {
        const std::optional<qint16> code = typedCharacter(key);
        return code && !accepts(*code);
    }

    void keepAccepted(QInputMethodEvent &input)
    {
        const QString commit = input.commitString();
        QString kept;
        for (const QChar character : commit)
            if (accepts(qint16(character.unicode())))
                kept += character;
        if (kept != commit)
            input.setCommitString(kept, input.replacementStart(), input.replacementLength());
    }

    Handler m_handler;
};

// The window's own font is smaller than the one its controls use, as the
// editor was laid out; the controls keep the font every window starts with.
void useSmallerWindowFont(QWidget *dialog)
{
    const QFont controls = dialog->font();
    for (QWidget *child : dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setFont(controls);
    QFont own = controls;
    own.setPointSizeF(8.25);
    dialog->setFont(own);
}

// A new account looks like one loaded with the tree.
} // namespace

AccountAdd::AccountAdd() = default;
AccountAdd::~AccountAdd() = default;

void AccountAdd::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::AccountAdd>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedDialog);
    useSmallerWindowFont(dialog);
    QObject::connect(m_ui->Command1, &QPushButton::clicked, dialog,
        [this] { guardEvent([this] { Command1_Click(); }); });
    QObject::connect(m_ui->Command2, &QPushButton::clicked, dialog,
        [this] { guardEvent([this] { Command2_Click(); }); });
    QObject::connect(m_ui->Command3, &QPushButton::clicked, dialog,
        [this] { guardEvent([this] { Command3_Click(); }); });
    // Host names, ports, the user ID and the password are typed without an
    // input method: a hint alone is ignored by desktop input methods.
    for (QLineEdit *box :
        {m_ui->Text4, m_ui->Text5, m_ui->Text6, m_ui->Text7, m_ui->Text8, m_ui->Text9})
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
    new KeyPressFilter(m_ui->Text5, [this](qint16 &KeyAscii) { Text5_KeyPress(KeyAscii); });
    new KeyPressFilter(m_ui->Text7, [this](qint16 &KeyAscii) { Text7_KeyPress(KeyAscii); });
}

Ui::AccountAdd &AccountAdd::ui()
{
    widget();
    return *m_ui;
}

QLineEdit *AccountAdd::Text1()
{
    return ui().Text1;
}

QLineEdit *AccountAdd::Text2()
{
    return ui().Text2;
}

QLineEdit *AccountAdd::Text3()
{
    return ui().Text3;
}

QLineEdit *AccountAdd::Text4()
{
    return ui().Text4;
}

QLineEdit *AccountAdd::Text5()
{
    return ui().Text5;
}

QLineEdit *AccountAdd::Text6()
{
    return ui().Text6;
}

QLineEdit *AccountAdd::Text7()
{
    return ui().Text7;
}

QLineEdit *AccountAdd::Text8()
{
    return ui().Text8;
}

QLineEdit *AccountAdd::Text9()
{
    return ui().Text9;
}

QLineEdit *AccountAdd::TextOfficeName()
{
    return ui().TextOfficeName;
}

QLineEdit *AccountAdd::TextOfficeSection()
{
    return ui().TextOfficeSection;
}

QLineEdit *AccountAdd::TextTelNumber()
{
    return ui().TextTelNumber;
}

QLineEdit *AccountAdd::TextFaxNumber()
{
    return ui().TextFaxNumber;
}

QLineEdit *AccountAdd::TextAddress1()
{
    return ui().TextAddress1;
}

QLineEdit *AccountAdd::TextAddress2()
{
    return ui().TextAddress2;
}

QLineEdit *AccountAdd::TextHandy()
{
    return ui().TextHandy;
}

// No trap: a failing step leaves the dialog open, with every entry as typed,
// for the guard at the event entry to report.
void AccountAdd::Command1_Click()
{
    if (requiredBoxEmpty()) {
        MessageBox::show(QStringLiteral("正確な文字を入力してください。"));
        return;
    }
    AccountBrowse &list = Forms::accountBrowse();
    const std::optional<QString> parent = parentKey(list);
    // A row another program deleted meanwhile has been reported; the entries stay.
    if (!parent)
        return;
    switch (editMode(list.basAU)) {
    case auAddAccount:
        insertAccount(
            list, *parent, addHtmlSig, QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"));
        break;
    case auUpdateAccount:
        if (!updateAccount(list))
            return;
        break;
    case auCopyAccount:
        insertAccount(
            list, *parent, copyHtmlSig, QStringLiteral("select max(ACCOUNT_no) from ACCOUNT"));
        break;
    default:
        break;
    }
    unload();
}

bool AccountAdd::requiredBoxEmpty() const
{
    for (const QLineEdit *box : {m_ui->Text1, m_ui->Text2, m_ui->Text3, m_ui->Text4, m_ui->Text5})
        if (box->text().isEmpty())
            return true;
    return false;
}

// Into the selected folder, under the root when the root is selected, and
// beside the selected account otherwise; none when the selected row is gone.
std::optional<QString> AccountAdd::parentKey(AccountBrowse &list)
{
    const SSNode *selected = list.SSTree1()->node(list.basNodeKey);
    if (selected->key() == u"0")
        return QStringLiteral("0");
    const SSNode *parent = selected->parentNode();
    if (!parent)
        throw DbError(QStringLiteral("Object variable not set: the node has no parent"));
    const auto row = list.basTable->execute(
        fillTemplate(QStringLiteral("select * from ACCOUNT where ACCOUNT_no= %1"),
            {{QStringLiteral("%1"), list.basNodeKey}}));
    if (row->isEOF()) {
        list.reportGone(selected);
        return std::nullopt;
    }
    return row->text(QStringLiteral("KIND")) == u"F" ? selected->key() : parent->key();
}

// The row first, then the node.
void AccountAdd::insertAccount(
    AccountBrowse &list, const QString &parentKey, const QString &htmlSig, const QString &keyQuery)
{
    list.basTable->execute(insertStatement(parentKey, htmlSig));
    const QString key = list.basTable->execute(keyQuery)->text(0);
    list.atNode = list.SSTree1()->addNode(parentKey, SSTree::tvwChild, key, m_ui->Text1->text());
    showAsAccount(list.atNode);
}

// The node first, then the row; false when the row is gone.
bool AccountAdd::updateAccount(AccountBrowse &list)
{
    SSNode *node = list.SSTree1()->node(list.basNodeKey);
    node->setText(m_ui->Text1->text());
    if (list.changesRow(updateStatement(list.basNodeKey)))
        return true;
    list.reportGone(node);
    return false;
}

// Copies of the boxes' texts, quotes doubled; the boxes keep what was typed.
QStringList AccountAdd::quotedValues() const
{
    const Ui::AccountAdd &ui = *m_ui;
    QStringList values = {ui.Text1->text(), ui.Text2->text(), ui.Text3->text(), ui.Text4->text(),
        ui.Text5->text(), ui.Text6->text(), ui.Text7->text(), ui.Text8->text(), ui.Text9->text(),
        Forms::sign().signature(), ui.TextOfficeName->text(), ui.TextOfficeSection->text(),
        ui.TextTelNumber->text(), ui.TextFaxNumber->text(), ui.TextAddress1->text(),
        ui.TextAddress2->text(), ui.TextHandy->text()};
    for (QString &value : values)
        DbSet(value);
    return values;
}

QString AccountAdd::insertStatement(const QString &parentKey, const QString &htmlSig) const
{
    const QStringList values = quotedValues();
    const QString separator = QStringLiteral("','");
    return QStringLiteral(
               "INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME,SENDER,MAIL_ADDRESS,SMTP_HOST,"
               "SMTP_PORT,POP_HOST,POP_PORT,USERID,PSWD,TEXT_SIG,HTML_SIG,OFFICE_NAME,"
               "OFFICE_SECTION,TEL_NUMBER,FAX_NUMBER,ADDRESS1,ADDRESS2,HANDY) ")
        + QStringLiteral(" VALUES( '") + parentKey + QStringLiteral("',")
        + QStringLiteral(" 'A', '") + values.mid(0, valuesBeforeHtmlSig).join(separator) + separator
        + htmlSig + values.mid(valuesBeforeHtmlSig).join(separator) + QStringLiteral("')");
}

QString AccountAdd::updateStatement(const QString &key) const
{
    const QStringList values = quotedValues();
    QString statement = QStringLiteral("UPDATE ACCOUNT SET NAME='") + values.first() + u'\'';
    for (qsizetype i = 1; i < editedColumns.size(); ++i)
        statement += QStringLiteral(", ") + editedColumns.at(i) + QStringLiteral(" = '")
            + values.at(i) + u'\'';
    return statement + QStringLiteral("where ACCOUNT_NO= ") + key;
}

void AccountAdd::Command2_Click()
{
    unload();
}

void AccountAdd::Command3_Click()
{
    Forms::sign().showModal();
}

void AccountAdd::Text5_KeyPress(qint16 &KeyAscii)
{
    portKeyPress(KeyAscii);
}

void AccountAdd::Text7_KeyPress(qint16 &KeyAscii)
{
    portKeyPress(KeyAscii);
}

void AccountAdd::portKeyPress(qint16 &KeyAscii)
{
    const bool digit = KeyAscii >= 48 && KeyAscii <= 57;
    if (digit || KeyAscii == 13 || KeyAscii == 8)
        return;
    MessageBox::show(QStringLiteral("数字を入力してください。"), MessageBox::Buttons::Ok,
        MessageBox::Icon::Exclamation);
    KeyAscii = 0;
}
