#include "TextFilter.h"

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

void removeFromDocument(QPlainTextEdit *box, QStringView characters)
{
    QTextDocument *document = box->document();
    QTextCursor edit(document);
    bool editing = false;
    for (const QChar character : characters) {
        for (QTextCursor found = document->find(QString(character)); !found.isNull();
             found = document->find(QString(character), found)) {
            if (!editing)
                edit.joinPreviousEditBlock();
            editing = true;
            found.removeSelectedText();
        }
    }
    if (editing)
        edit.endEditBlock();
}

QString withoutUnstorable(QStringView text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text.at(i);
        if (character.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += character;
            kept += text.at(++i);
        } else if (!character.isNull() && !character.isSurrogate()) {
            kept += character;
        }
    }
    return kept;
}

void keepStorable(QLineEdit *box)
{
    QObject::connect(
        box, &QLineEdit::textChanged, box, [box] { filterBox(box, withoutUnstorable); });
}

namespace {

// A multi-line box has no length limit, so only NUL can reach it.
void keepStorable(QPlainTextEdit *box)
{
    QObject::connect(box, &QPlainTextEdit::textChanged, box,
        [box] { removeFromDocument(box, QStringView(u"\0", 1)); });
}

} // namespace

void keepStorableText(QWidget *window)
{
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        keepStorable(box);
    for (QPlainTextEdit *box : window->findChildren<QPlainTextEdit *>())
        keepStorable(box);
}
