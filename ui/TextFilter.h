#pragma once

#include <QString>
#include <QStringView>

#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

// Puts the box's text through `keep`, leaving the caret where the user was
// typing. Nothing happens when the text passes unchanged.
void filterBox(QLineEdit *box, const std::function<QString(QStringView)> &keep);

// Takes every one of the characters out of the box's document in place, so
// the caret, the scroll position and the undo history survive; the removal
// joins the edit that brought the characters, so one undo takes back both.
void removeFromDocument(QPlainTextEdit *box, QStringView characters);

// What no statement can carry as it stands: NUL, at which the database client
// libraries end a statement's text, and half of a surrogate pair, which a
// box's length limit leaves when it cuts a pasted text inside a character.
// Neither can be typed; a desktop edit control never holds them.
QString withoutUnstorable(QStringView text);

// Keeps every text box of the window, and the box given, free of them.
void keepStorableText(QWidget *window);
void keepStorable(QLineEdit *box);
