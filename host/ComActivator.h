#pragma once

#include "component/ComFailure.h"
#include "component/tx_account.h"

#include <QString>

// The host's side of activation: from a ProgID through the registration to
// the library, its class factory and a new object, as CoCreateInstance does.
namespace ComActivator {

struct Result {
    _ShowAccount *object = nullptr; // owned by the caller: Release it
    HRESULT status = E_FAIL;
    QString description;
};

Result createByProgId(const QString &progId);

// Loads the library and calls its DllRegisterServer.
ComFailure registerLibrary(const QString &libraryPath);

// The description of a failed call on an object, through IErrorInfo.
QString errorDescription(IUnknown *object);

} // namespace ComActivator
