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

// The same for a multi-line box; the change joins the edit that brought the
// characters it takes out, so one undo takes back both.
void filterDocument(QPlainTextEdit *box, const std::function<QString(QStringView)> &keep);

// Keeps every text box of the window, and the box given, free of what no
// statement can carry (withoutUnstorable).
void keepStorableText(QWidget *window);
void keepStorable(QLineEdit *box);
