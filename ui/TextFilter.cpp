#include "TextFilter.h"

#include "store/Storable.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

void filterBox(QLineEdit *box, const std::function<QString(QStringView)> &keep)
{
    const QString text = box->text();
    const QString kept = keep(text);
    if (kept == text)
        return;
    const int caret = box->cursorPosition();
    const int caretAfter = int(keep(QStringView(text).left(caret)).size());
    box->setText(kept);
    box->setCursorPosition(caretAfter);
}

void filterDocument(QPlainTextEdit *box, const std::function<QString(QStringView)> &keep)
{
    // The raw text, since toPlainText() changes what it does not filter
    // (no-break spaces become blanks).
    const QString text = box->document()->toRawText();
    const QString kept = keep(text);
    if (kept == text)
        return;
    const int caret = int(keep(QStringView(text).left(box->textCursor().position())).size());
    // The whole text is put back in one edit: a cursor cannot select every
    // character on its own (it keeps to the boundaries of what is shown).
    QTextCursor edit(box->document());
    edit.joinPreviousEditBlock();
    edit.select(QTextCursor::Document);
    edit.insertText(kept);
    edit.endEditBlock();
    QTextCursor moved = box->textCursor();
    moved.setPosition(caret);
    box->setTextCursor(moved);
}

void keepStorable(QLineEdit *box)
{
    QObject::connect(
        box, &QLineEdit::textChanged, box, [box] { filterBox(box, withoutUnstorable); });
}

namespace {

void keepStorable(QPlainTextEdit *box)
{
    QObject::connect(
        box, &QPlainTextEdit::textChanged, box, [box] { filterDocument(box, withoutUnstorable); });
}

} // namespace

void keepStorableText(QWidget *window)
{
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        keepStorable(box);
    for (QPlainTextEdit *box : window->findChildren<QPlainTextEdit *>())
        keepStorable(box);
}
