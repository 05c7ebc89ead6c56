// The component as a host meets it: the built library loaded with dlopen
// through the registration, created by its ProgID and called.

#include "support/ModalDriver.h"
#include "support/TestDatabase.h"

#include "component/Bstr.h"
#include "component/ComActivator.h"
#include "component/Registry.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWidget>

#include <dlfcn.h>

namespace {

QString libraryPath()
{
    return QFileInfo(qEnvironmentVariable("TX_ACCOUNT_LIBRARY")).canonicalFilePath();
}

template <typename Fn> Fn loadedEntry(const char *name)
{
    void *handle = dlopen(libraryPath().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Fn>(dlsym(handle, name)) : nullptr;
}

// The database names of the open connections other than the test's own.
QStringList openDatabases(const QStringList &testsOwn)
{
    QStringList names;
    for (const QString &connection : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (!testsOwn.contains(connection) && db.isOpen())
            names << db.databaseName();
    }
    return names;
}

struct Bstr {
    explicit Bstr(const QString &text)
        : value(toBstr(text))
    {
    }
    ~Bstr() { TxSysFreeString(value); }
    BSTR value;
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void registrationWritesTheEntriesAHostNeeds();
    void theLibraryExportsExactlyTheFourEntryPoints();
    void theCallReturnsWhenTheWindowIsClosed_data();
    void theCallReturnsWhenTheWindowIsClosed();
    void aSecondCallOpensTheSecondDatabase();
    void aDatabaseThatCannotBeOpenedStillShowsTheWindowAndCreatesNoFile();
    void theTreeAndTheButtonsWorkThroughTheExportedEntry();
    void everyToolbarCommandWorksThroughTheExportedEntry();
    void aLateBindingHostCallsThroughInvoke();
    void aCallFromAnotherThreadFailsWithADescription();
    void theLibraryMayUnloadOnlyWhenNothingIsAliveOrLocked();
    void theHostsApplicationOutlivesTheCallAndTheLastRelease();
    void unregistrationRemovesTheEntries();

private:
    HRESULT showAndClose(
        const QString &connStr, const std::function<void(QWidget *)> &whileOpen = {});

    QTemporaryDir m_registryDir;
    _ShowAccount *m_account = nullptr;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY(!libraryPath().isEmpty());
    qputenv("TX_ACCOUNT_REGISTRY",
        (m_registryDir.path() + QStringLiteral("/registry.ini")).toLocal8Bit());
    const ComFailure registered = ComActivator::registerLibrary(libraryPath());
    QCOMPARE(registered.status, S_OK);
}

void TestEndToEnd::init()
{
    ComActivator::Result created
        = ComActivator::createByProgId(QStringLiteral("tx_account.ShowAccount"));
    QVERIFY2(created.object, qPrintable(created.description));
    m_account = created.object;
}

void TestEndToEnd::cleanup()
{
    ModalDriver::closeAllModals();
    if (m_account)
        m_account->Release();
    m_account = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
}

HRESULT TestEndToEnd::showAndClose(
    const QString &connStr, const std::function<void(QWidget *)> &whileOpen)
{
    bool ran = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [whileOpen](QWidget *window) {
            if (whileOpen)
                whileOpen(window);
            window->close();
        },
        &ran);
    Bstr text(connStr);
    const HRESULT status = m_account->showAccountForm(&text.value);
    if (!ran)
        qWarning("the account window was never shown");
    return ran ? status : E_UNEXPECTED;
}

void TestEndToEnd::registrationWritesTheEntriesAHostNeeds()
{
    const QString clsid = Registry::clsidForProgId(QStringLiteral("tx_account.ShowAccount"));
    QCOMPARE(clsid, QStringLiteral("{84A65E4E-0516-4E6D-8F86-AF57DE481DE1}"));
    QCOMPARE(Registry::inprocServer(clsid), libraryPath());
    QCOMPARE(Registry::threadingModel(clsid), QStringLiteral("Apartment"));
    const QString typeLibrary
        = Registry::typeLibrary(QStringLiteral("{D2A5EE3C-1581-4727-AB75-AF9DC0044D9B}"));
    QVERIFY2(QFileInfo(typeLibrary).isFile(), qPrintable(typeLibrary));
}

void TestEndToEnd::theLibraryExportsExactlyTheFourEntryPoints()
{
    QProcess nm;
    nm.start(QStringLiteral("nm"),
        {QStringLiteral("-D"), QStringLiteral("--defined-only"), libraryPath()});
    QVERIFY(nm.waitForFinished());
    QCOMPARE(nm.exitCode(), 0);
    QStringList exported;
    for (const QString &line :
        QString::fromLocal8Bit(nm.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() == 3 && fields[1].at(0).isUpper())
            exported << fields[2];
    }
    exported.sort();
    QCOMPARE(exported,
        (QStringList {
            "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}));
}

void TestEndToEnd::theCallReturnsWhenTheWindowIsClosed_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << "close";
    QTest::newRow("escape key") << "escape";
}

void TestEndToEnd::theCallReturnsWhenTheWindowIsClosed()
{
    QFETCH(QString, how);
    TestDatabase table;
    table.addFolder(QStringLiteral("0"), QStringLiteral("仕事"));
    const QStringList testsOwn = QSqlDatabase::connectionNames();
    bool ran = false;
    QString title;
    QStringList openWhileShown;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [&](QWidget *window) {
            title = window->windowTitle();
            openWhileShown = openDatabases(testsOwn);
            if (how == u"close")
                window->close();
            else
                QTest::keyClick(window, Qt::Key_Escape);
        },
        &ran);
    Bstr text(table.connectionString());
    const BSTR before = text.value;
    const HRESULT status = m_account->showAccountForm(&text.value);
    QVERIFY(ran);
    QCOMPARE(status, S_OK);
    QCOMPARE(title, QStringLiteral("アカウント一覧"));
    QCOMPARE(openWhileShown.size(), 1);
    QCOMPARE(text.value, before);
    QCOMPARE(fromBstr(text.value), table.connectionString());
    QVERIFY2(openDatabases(testsOwn).isEmpty(), "the connection is closed when the window closes");
    QCOMPARE(table.rowCount(), 1);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(widget->objectName() != u"AccountBrowse",
            "the window's widgets are destroyed on return");
}

void TestEndToEnd::aSecondCallOpensTheSecondDatabase()
{
    TestDatabase first;
    TestDatabase second;
    const QStringList testsOwn = QSqlDatabase::connectionNames();
    QStringList seen;
    const auto record = [&seen, &testsOwn](QWidget *) { seen << openDatabases(testsOwn); };
    QCOMPARE(showAndClose(first.connectionString(), record), S_OK);
    QCOMPARE(showAndClose(second.connectionString(), record), S_OK);
    QCOMPARE(seen.size(), 2);
    QVERIFY2(seen[0].contains(first.path()), qPrintable(seen[0]));
    QVERIFY2(seen[1].contains(second.path()), qPrintable(seen[1]));
}

void TestEndToEnd::aDatabaseThatCannotBeOpenedStillShowsTheWindowAndCreatesNoFile()
{
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/missing.db");
    bool told = false;
    QString message;
    ModalDriver::whenShown(
        QStringLiteral("TovrixMessage"),
        [&message](QWidget *box) {
            message = box->windowTitle() + QLatin1Char(':')
                + box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            QTest::keyClick(box, Qt::Key_Return);
        },
        &told);
    bool shown = false;
    QCOMPARE(showAndClose(missing, [&shown](QWidget *) { shown = true; }), S_OK);
    QVERIFY(told);
    QVERIFY2(
        message.startsWith(QStringLiteral("Tovrix:")) && message.contains(QStringLiteral("closed")),
        qPrintable(message));
    QVERIFY(shown);
    QVERIFY(!QFileInfo::exists(missing));
}

// The window's classes live in the loaded library; the test sees them only
// as the Qt widgets they are built on.
void TestEndToEnd::theTreeAndTheButtonsWorkThroughTheExportedEntry()
{
    TestDatabase table;
    const QString folder = table.addFolder(QStringLiteral("0"), QStringLiteral("仕事"));
    const QString inner = table.addAccount(folder, QStringLiteral("営業部"));
    const QString top = table.addAccount(QStringLiteral("0"), QStringLiteral("Personal"));
    QStringList nodes;
    QStringList offered;
    const auto enabledButtons = [](QWidget *window) {
        QStringList keys;
        for (QAction *action : window->findChild<QToolBar *>(QStringLiteral("Toolbar1"))->actions())
            if (!action->isSeparator() && action->isEnabled())
                keys << action->objectName();
        return keys.join(QLatin1Char(' '));
    };
    QCOMPARE(showAndClose(table.connectionString(),
                 [&](QWidget *window) {
                     auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("SSTree1"));
                     for (QTreeWidgetItemIterator it(tree); *it; ++it)
                         nodes << (*it)->data(0, Qt::UserRole).toString() + QLatin1Char(' ')
                                 + (*it)->text(0);
                     offered << enabledButtons(window);
                     for (QTreeWidgetItemIterator it(tree); *it; ++it) {
                         const QPoint centre = tree->visualItemRect(*it).center();
                         QTest::mouseClick(
                             tree->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
                         offered << enabledButtons(window);
                     }
                 }),
        S_OK);
    QCOMPARE(
        nodes, (QStringList {"0 ｱｶｳﾝﾄ", folder + " 仕事", inner + " 営業部", top + " Personal"}));
    QCOMPARE(offered,
        (QStringList {"close", "addf add close", "addf updatef delf add close",
            "update copy del close", "update copy del close"}));
}

namespace {

void clickToolbar(QWidget *window, const QString &key)
{
    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
    for (QAction *action : toolbar->actions())
        if (action->objectName() == key)
            QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
}

void clickNodeWithKey(QWidget *window, const QString &key)
{
    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("SSTree1"));
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key) {
            tree->scrollToItem(*it);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                tree->visualItemRect(*it).center());
        }
}

// Types into the named boxes of the dialog that comes up, then presses its OK.
void fillAndConfirm(const QString &dialogName, const QList<std::pair<QString, QString>> &typing,
    const QString &okButton, bool *ran)
{
    ModalDriver::whenShown(
        dialogName,
        [=](QWidget *dialog) {
            for (const auto &[box, text] : typing) {
                auto *edit = dialog->findChild<QLineEdit *>(box);
                edit->selectAll();
                QTest::keyClicks(edit, text);
            }
            QTest::mouseClick(dialog->findChild<QPushButton *>(okButton), Qt::LeftButton);
        },
        ran);
}

void confirmDeletion(bool *ran)
{
    ModalDriver::whenShown(
        QStringLiteral("TovrixMessage"),
        [](QWidget *box) { qobject_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click(); },
        ran);
}

} // namespace

void TestEndToEnd::everyToolbarCommandWorksThroughTheExportedEntry()
{
    TestDatabase table;
    const auto row = [&table](const QString &where) {
        const auto rows = table.rows(
            "select P_ACCOUNT_NO, KIND, NAME, SMTP_PORT, HTML_SIG from ACCOUNT where " + where);
        return rows.empty() ? QString() : rows.front().join(QLatin1Char('|'));
    };
    QCOMPARE(showAndClose(table.connectionString(),
                 [&](QWidget *window) {
                     bool ran = false;
                     clickNodeWithKey(window, "0");
                     fillAndConfirm("FolderAdd", {{"Text1", "Work"}}, "Command2", &ran);
                     clickToolbar(window, "addf");
                     QVERIFY(ran);
                     const QString folder = table.value("select max(ACCOUNT_NO) from ACCOUNT");
                     QCOMPARE(row("NAME = 'Work'"), QStringLiteral("0|F|Work||"));

                     clickNodeWithKey(window, folder);
                     fillAndConfirm("FolderAdd", {{"Text1", "Office"}}, "Command2", &ran);
                     clickToolbar(window, "updatef");
                     QCOMPARE(row("ACCOUNT_NO = " + folder), QStringLiteral("0|F|Office||"));

                     fillAndConfirm("AccountAdd",
                         {{"Text1", "Mail"}, {"Text2", "Ann"}, {"Text3", "ann@example.com"},
                             {"Text4", "smtp.example.com"}},
                         "Command1", &ran);
                     clickToolbar(window, "add");
                     QVERIFY(ran);
                     const QString account = table.value("select max(ACCOUNT_NO) from ACCOUNT");
                     QCOMPARE(row("ACCOUNT_NO = " + account), folder + "|A|Mail|25|");

                     clickNodeWithKey(window, account);
                     fillAndConfirm("AccountAdd", {{"Text1", "Mail 2"}}, "Command1", &ran);
                     clickToolbar(window, "update");
                     QCOMPARE(row("ACCOUNT_NO = " + account), folder + "|A|Mail 2|25|");

                     fillAndConfirm("AccountAdd", {{"Text1", "Copy"}}, "Command1", &ran);
                     clickToolbar(window, "copy");
                     QCOMPARE(row("NAME = 'Copy'"), folder + "|A|Copy|25| ");

                     confirmDeletion(&ran);
                     clickToolbar(window, "del");
                     QVERIFY(ran);
                     QCOMPARE(row("ACCOUNT_NO = " + account), QString());

                     clickNodeWithKey(window, folder);
                     confirmDeletion(&ran);
                     clickToolbar(window, "delf");
                     QVERIFY(ran);
                     QCOMPARE(table.rowCount(), 0);
                 }),
        S_OK);
}

void TestEndToEnd::aLateBindingHostCallsThroughInvoke()
{
    TestDatabase table;
    OLECHAR name[] = u"SHOWACCOUNTFORM";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    QCOMPARE(m_account->GetIDsOfNames(&IID_NULL, names, 1, 0, &id), S_OK);
    QCOMPARE(id, DISPID_showAccountForm);

    bool ran = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"), [](QWidget *w) { w->close(); }, &ran);
    Bstr text(table.connectionString());
    VARIANT argument {};
    argument.vt = VT_BSTR | VT_BYREF;
    argument.u.pbstrVal = &text.value;
    DISPPARAMS params {&argument, nullptr, 1, 0};
    VARIANT result {};
    EXCEPINFO exception {};
    UINT argError = 0;
    QCOMPARE(m_account->Invoke(
                 id, &IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, &argError),
        S_OK);
    QVERIFY(ran);
    QCOMPARE(result.vt, VT_EMPTY);
    QCOMPARE(fromBstr(text.value), table.connectionString());
}

void TestEndToEnd::aCallFromAnotherThreadFailsWithADescription()
{
    TestDatabase table;
    HRESULT direct = S_OK;
    HRESULT invoked = S_OK;
    EXCEPINFO exception {};
    QThread *other = QThread::create([&] {
        Bstr text(table.connectionString());
        direct = m_account->showAccountForm(&text.value);
        VARIANT argument {};
        argument.vt = VT_BSTR | VT_BYREF;
        argument.u.pbstrVal = &text.value;
        DISPPARAMS params {&argument, nullptr, 1, 0};
        invoked = m_account->Invoke(DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD, &params,
            nullptr, &exception, nullptr);
    });
    other->start();
    QVERIFY(other->wait(10000));
    delete other;

    QCOMPARE(direct, RPC_E_WRONG_THREAD);
    QCOMPARE(invoked, DISP_E_EXCEPTION);
    QCOMPARE(exception.scode, RPC_E_WRONG_THREAD);
    QVERIFY(fromBstr(exception.bstrDescription).contains(QStringLiteral("thread")));
    QCOMPARE(fromBstr(exception.bstrSource), QStringLiteral("tx_account.ShowAccount"));
    TxSysFreeString(exception.bstrDescription);
    TxSysFreeString(exception.bstrSource);
    QVERIFY(ComActivator::errorDescription(m_account).contains(QStringLiteral("thread")));

    QCOMPARE(showAndClose(table.connectionString()), S_OK); // the object still works
}

void TestEndToEnd::theLibraryMayUnloadOnlyWhenNothingIsAliveOrLocked()
{
    const auto canUnloadNow = loadedEntry<TxDllCanUnloadNowFn>("DllCanUnloadNow");
    const auto getClassObject = loadedEntry<TxDllGetClassObjectFn>("DllGetClassObject");
    QVERIFY(canUnloadNow && getClassObject);
    QCOMPARE(canUnloadNow(), S_FALSE); // m_account is alive
    m_account->Release();
    m_account = nullptr;
    QCOMPARE(canUnloadNow(), S_OK);

    IClassFactory *factory = nullptr;
    QCOMPARE(
        getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, reinterpret_cast<void **>(&factory)),
        S_OK);
    QCOMPARE(factory->LockServer(1), S_OK);
    factory->Release();
    QCOMPARE(canUnloadNow(), S_FALSE);
    QCOMPARE(
        getClassObject(&CLSID_ShowAccount, &IID_IClassFactory, reinterpret_cast<void **>(&factory)),
        S_OK);
    QCOMPARE(factory->LockServer(0), S_OK);
    factory->Release();
    QCOMPARE(canUnloadNow(), S_OK);
}

void TestEndToEnd::theHostsApplicationOutlivesTheCallAndTheLastRelease()
{
    TestDatabase table;
    QCoreApplication *hosts = QCoreApplication::instance();
    const QPointer<QCoreApplication> alive(hosts);
    bool quitting = false;
    connect(hosts, &QCoreApplication::aboutToQuit, this, [&quitting] { quitting = true; });
    QCOMPARE(showAndClose(table.connectionString()), S_OK);
    m_account->Release();
    m_account = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCOMPARE(loadedEntry<TxDllCanUnloadNowFn>("DllCanUnloadNow")(), S_OK);
    QVERIFY(alive);
    QCOMPARE(QCoreApplication::instance(), hosts);
    QVERIFY(!quitting);
}

void TestEndToEnd::unregistrationRemovesTheEntries()
{
    const auto unregisterServer = loadedEntry<TxDllUnregisterServerFn>("DllUnregisterServer");
    QVERIFY(unregisterServer);
    QCOMPARE(unregisterServer(), S_OK);
    QVERIFY(Registry::clsidForProgId(QStringLiteral("tx_account.ShowAccount")).isEmpty());
    QVERIFY(
        Registry::inprocServer(QStringLiteral("{84A65E4E-0516-4E6D-8F86-AF57DE481DE1}")).isEmpty());
    const ComActivator::Result created
        = ComActivator::createByProgId(QStringLiteral("tx_account.ShowAccount"));
    QVERIFY(!created.object);
    QVERIFY(created.description.contains(QStringLiteral("not registered")));

    QCOMPARE(ComActivator::registerLibrary(libraryPath()).status, S_OK);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
