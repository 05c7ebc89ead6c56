#pragma once

#include "tx_account.h"

#include <QString>

// A failing status for a host, with the description the host can ask for.
struct ComFailure {
    HRESULT status;
    QString description;
};
