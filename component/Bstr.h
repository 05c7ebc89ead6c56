#pragma once

#include "tx_account.h"

#include <QString>

QString fromBstr(BSTR text);
// A new BSTR that the receiver frees with TxSysFreeString.
BSTR toBstr(const QString &text);
