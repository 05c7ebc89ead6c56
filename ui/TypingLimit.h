#pragma once

class QLineEdit;
class QWidget;

// A box's length limit binds what the user types, pastes or drops, as on
// the desktop the windows were designed for; a text the program puts in is
// kept whole, where QLineEdit's own limit would cut it. The user can still
// shorten an over-long text, and a paste is cut to what fits.
void limitTypingOnly(QLineEdit *box, int limit);

// Every box of the window that has a limit.
void limitTypingOnly(QWidget *window);
