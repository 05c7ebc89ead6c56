#pragma once

#include <QString>

// Pictures of the component's windows, taken from inside its modal loops
// while showAccountForm runs: each step waits for its window to be the
// active modal one, saves it and does what a user would do next.
namespace Screenshots {

// The account list as it opens, saved as `file`, then closed.
void accountList(const QString &file);

// The account list with an account selected, the account editor, the
// signature dialog, the folder dialog and a folder's menu, saved in
// `folder`, each closed.
void allWindows(const QString &folder);

// False when a picture could not be saved or a window never appeared.
bool succeeded();

} // namespace Screenshots
