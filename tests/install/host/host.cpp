// A mail-client host built from the installed files only. It creates the
// component by its ProgID through the registration files, as COM would,
// shows the account list for a database, closes it at once and reports the
// call's status.

#include <tx_account.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <dlfcn.h>

#include <cstdio>

namespace {

int fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "host: %s %s\n", what, qPrintable(detail));
    return 1;
}

// The per-user file first, then the system-wide ones.
QString registered(const QString &key)
{
    for (const QString &file : QStandardPaths::locateAll(
             QStandardPaths::GenericConfigLocation, QStringLiteral("tx_account/registry.ini"))) {
        const QSettings settings(file, QSettings::IniFormat);
        if (settings.contains(key))
            return settings.value(key).toString();
    }
    return QString();
}

QString guidText(const GUID &g)
{
    return QUuid(g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
        g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7])
        .toString(QUuid::WithBraces)
        .toUpper();
}

_ShowAccount *create(const QString &library)
{
    void *handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    auto getClassObject = handle
        ? reinterpret_cast<TxDllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"))
        : nullptr;
    IClassFactory *factory = nullptr;
    if (!getClassObject
        || FAILED(getClassObject(
            &CLSID_ShowAccount, &IID_IClassFactory, reinterpret_cast<void **>(&factory))))
        return nullptr;
    _ShowAccount *account = nullptr;
    factory->CreateInstance(nullptr, &IID__ShowAccount, reinterpret_cast<void **>(&account));
    factory->Release();
    return account;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return fail("usage: host DATABASE");

    const QString clsid
        = registered(QStringLiteral("Software/Classes/" TX_ACCOUNT_PROGID "/CLSID/Default"));
    if (clsid != guidText(CLSID_ShowAccount))
        return fail("the ProgID names the class", clsid);
    const QString library
        = registered(QStringLiteral("Software/Classes/CLSID/%1/InprocServer32/Default").arg(clsid));
    if (QFileInfo(library).canonicalFilePath()
        != QFileInfo(QStringLiteral(TX_ACCOUNT_LIBRARY)).canonicalFilePath())
        return fail("the registration names another library:", library);
    _ShowAccount *account = create(library);
    if (!account)
        return fail("cannot create the object from", library);

    bool shown = false;
    QTimer closer;
    closer.callOnTimeout([&shown] {
        QWidget *window = QApplication::activeModalWidget();
        if (window && window->objectName() == u"AccountBrowse" && window->isVisible()) {
            shown = true;
            window->close();
        }
    });
    closer.start(20);

    const QString connStr = QString::fromLocal8Bit(argv[1]);
    BSTR text = TxSysAllocString(reinterpret_cast<const OLECHAR *>(connStr.utf16()));
    const HRESULT status = account->showAccountForm(&text);
    TxSysFreeString(text);
    account->Release();
    std::printf("host: showAccountForm returned 0x%08x, the window was %s\n", unsigned(status),
        shown ? "shown" : "never shown");
    return status == S_OK && shown ? 0 : 1;
}
