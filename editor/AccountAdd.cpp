#include "AccountAdd.h"

#include "ui_AccountAdd.h"

#include "dialogs/Sign.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/MessageBox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <functional>
#include <optional>

namespace {

using AccountStatements::AccountValues;

// Each edited column and the box it is edited in, in the order the
// statements carry them: filling, inserting and updating all follow it.
// The signature is edited in the signature dialog.
struct Field {
    const char *column;
    const char *box;
};
constexpr Field fields[] = {{"NAME", "Text1"}, {"SENDER", "Text2"}, {"MAIL_ADDRESS", "Text3"},
    {"SMTP_HOST", "Text4"}, {"SMTP_PORT", "Text5"}, {"POP_HOST", "Text6"}, {"POP_PORT", "Text7"},
    {"USERID", "Text8"}, {"PSWD", "Text9"}, {"TEXT_SIG", nullptr},
    {"OFFICE_NAME", "TextOfficeName"}, {"OFFICE_SECTION", "TextOfficeSection"},
    {"TEL_NUMBER", "TextTelNumber"}, {"FAX_NUMBER", "TextFaxNumber"}, {"ADDRESS1", "TextAddress1"},
    {"ADDRESS2", "TextAddress2"}, {"HANDY", "TextHandy"}};
// The boxes OK refuses to leave empty.
constexpr const char *requiredBoxes[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
// Host names, ports, the user ID and the password are typed without an
// input method: a hint alone is ignored by desktop input methods.
constexpr const char *latinBoxes[] = {"Text4", "Text5", "Text6", "Text7", "Text8", "Text9"};

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
        return '\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return '\r';
    case Qt::Key_Escape:
        return '\x1b';
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

} // namespace

AccountAdd::AccountAdd(Sign &signDialog)
    : m_signDialog(signDialog)
{
}

AccountAdd::~AccountAdd() = default;

void AccountAdd::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::AccountAdd>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedDialog);
    useSmallerWindowFont(dialog);
    dialog->onClicked(m_ui->Command1, [this] { Command1_Click(); });
    dialog->onClicked(m_ui->Command2, [this] { Command2_Click(); });
    dialog->onClicked(m_ui->Command3, [this] { Command3_Click(); });
    for (const char *name : latinBoxes)
        textBox(name)->setAttribute(Qt::WA_InputMethodEnabled, false);
    new KeyPressFilter(m_ui->Text5, [this](qint16 &KeyAscii) { Text5_KeyPress(KeyAscii); });
    new KeyPressFilter(m_ui->Text7, [this](qint16 &KeyAscii) { Text7_KeyPress(KeyAscii); });
}

QLineEdit *AccountAdd::textBox(const char *name)
{
    return widget()->findChild<QLineEdit *>(QLatin1String(name));
}

void AccountAdd::edit(const QString &caption, const QVariantMap &shown, Apply apply)
{
    m_apply = std::move(apply);
    setValues(shown);
    setCaption(caption);
    showModal();
}

void AccountAdd::setValues(const QVariantMap &shown)
{
    for (const Field &field : fields) {
        const QVariant value = shown.value(QLatin1String(field.column));
        if (!field.box)
            m_signDialog.setSignature(value.toString());
        else if (!value.isNull() && !value.toString().isEmpty())
            textBox(field.box)->setText(value.toString());
    }
}

AccountValues AccountAdd::values()
{
    AccountValues values;
    for (const Field &field : fields)
        values.emplace_back(QLatin1String(field.column),
            field.box ? textBox(field.box)->text() : m_signDialog.signature());
    return values;
}

// A failing store leaves the dialog open, with every entry as typed, for the
// guard at the event entry to report.
void AccountAdd::Command1_Click()
{
    if (requiredBoxEmpty()) {
        MessageBox::show(QStringLiteral("正確な文字を入力してください。"));
        return;
    }
    if (!m_apply || m_apply(values()))
        unload();
}

bool AccountAdd::requiredBoxEmpty()
{
    for (const char *name : requiredBoxes)
        if (textBox(name)->text().isEmpty())
            return true;
    return false;
}

void AccountAdd::Command2_Click()
{
    unload();
}

void AccountAdd::Command3_Click()
{
    m_signDialog.showModal();
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
    const bool digit = KeyAscii >= '0' && KeyAscii <= '9';
    if (digit || KeyAscii == '\r' || KeyAscii == '\b')
        return;
    MessageBox::show(QStringLiteral("数字を入力してください。"), MessageBox::Buttons::Ok,
        MessageBox::Icon::Exclamation);
    KeyAscii = 0;
}
