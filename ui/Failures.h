#pragma once

#include <QString>

#include <functional>

// The three ways a procedure meets a failure of the store or the tree.

// Run on: the step is skipped without a word, and the next one runs.
void runOn(const std::function<void()> &step);

// Report and stop: the description in a "Tovrix" box, OK only, no icon;
// returns false so the caller can return.
bool reportAndStop(const std::function<void()> &procedure);

// The guard at every event entry: whatever the handler did not handle is
// shown in a "Tovrix" box with the critical icon, and never reaches Qt.
void guardEvent(const std::function<void()> &handler);

// The description of the exception being handled.
QString currentFailureText();
