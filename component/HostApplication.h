#pragma once

#include "ComFailure.h"

#include <optional>

// Makes sure there is a QApplication to show windows with: the host's own,
// or one the component creates on the first call and keeps for the life of
// the process. Fails on a call from a thread other than the application's,
// and when there is no display to show on.
std::optional<ComFailure> prepareHostApplication();
