#pragma once

#include <QString>
#include <QStringView>

class QLineEdit;
class QPlainTextEdit;

QString withoutApostrophes(QStringView text);

// Takes every apostrophe (U+0027, and no other quotation mark) out of the
// box, however it got there: typed, pasted or put in by code. The caret
// stays where the user was typing.
void removeApostrophes(QLineEdit *box);
void removeApostrophes(QPlainTextEdit *box);
