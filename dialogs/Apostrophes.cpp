#include "Apostrophes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr QChar apostrophe = u'\'';

} // namespace

void removeApostrophes(QLineEdit *box)
{
    const QString text = box->text();
    if (!text.contains(apostrophe))
        return;
    const int caret = box->cursorPosition();
    const int caretAfter = caret - int(QStringView(text).left(caret).count(apostrophe));
    box->setText(QString(text).remove(apostrophe));
    box->setCursorPosition(caretAfter);
}

// Edits the document in place rather than setting the text again, so the
// caret, the scroll position and the undo history survive; the removal joins
// the edit that brought the apostrophe, so one undo takes back both.
void removeApostrophes(QPlainTextEdit *box)
{
    QTextDocument *document = box->document();
    QTextCursor found = document->find(QString(apostrophe));
    if (found.isNull())
        return;
    QTextCursor edit(document);
    edit.joinPreviousEditBlock();
    for (; !found.isNull(); found = document->find(QString(apostrophe), found))
        found.removeSelectedText();
    edit.endEditBlock();
}
