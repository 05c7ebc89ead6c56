#include "Sign.h"

#include "ui_Sign.h"

#include "dialogs/Apostrophes.h"
#include "store/Failure.h"
#include "store/Storable.h"
#include "ui/Failures.h"
#include "ui/FormDialog.h"
#include "ui/Twips.h"

namespace {

// The strip below the text box that holds the buttons.
constexpr int buttonStripTwips = 600;

int validLength(int twips)
{
    if (twips < 0)
        throw Failure(QStringLiteral("Invalid property value"));
    return twips;
}

} // namespace

Sign::Sign() = default;
Sign::~Sign() = default;

void Sign::setupWidget(FormDialog *dialog)
{
    m_ui = std::make_unique<Ui::Sign>();
    m_ui->setupUi(dialog);
    dialog->setKind(FormDialog::Kind::FixedSingle);
    dialog->onClicked(m_ui->Command1, [this] { Command1_Click(); });
    dialog->onClicked(m_ui->Command2, [this] { Command2_Click(); });
    QObject::connect(m_ui->Text1, &QPlainTextEdit::textChanged, dialog,
        [this] { guardEvent([this] { Text1_Change(); }); });
}

QPlainTextEdit *Sign::Text1()
{
    widget();
    return m_ui->Text1;
}

void Sign::setSignature(const QString &stored)
{
    QPlainTextEdit *box = Text1();
    box->setPlainText(stored);
    m_shown = box->document()->toRawText();
    // What the box's filters leave of it, with the line breaks as they came.
    m_untouched = withoutApostrophes(withoutUnstorable(stored));
}

QString Sign::signature()
{
    // The raw text keeps what toPlainText() would change, such as no-break spaces.
    QString text = Text1()->document()->toRawText();
    if (text == m_shown)
        return m_untouched;
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void Sign::Command1_Click()
{
    hide();
}

void Sign::Command2_Click()
{
    hide();
}

void Sign::Text1_Change()
{
    removeApostrophes(m_ui->Text1);
}

void Sign::Form_Resize()
{
    QWidget *dialog = widget();
    QPlainTextEdit *box = m_ui->Text1;
    const int clientHeightTwips = pixelsToTwips(dialog->height());
    runOn([&] {
        const int height = validLength(clientHeightTwips - buttonStripTwips);
        box->resize(box->width(), twipsToPixels(height));
    });
    runOn([&] { box->resize(dialog->width(), box->height()); });
}
