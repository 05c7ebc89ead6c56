// The component as a host meets it: the built library loaded with dlopen
// through the registration, created by its ProgID and called.

#include "support/DialogTest.h"

#include "component/Bstr.h"
#include "component/Registry.h"
#include "host/ComActivator.h"

#include <QAction>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

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

HRESULT canUnloadNow()
{
    return loadedEntry<TxDllCanUnloadNowFn>("DllCanUnloadNow")();
}

struct Bstr {
    BSTR value;
    ~Bstr() { TxSysFreeString(value); }
};

// showAccountForm as a late-binding host calls it: by its DISPID through Invoke.
HRESULT invokeShow(_ShowAccount *account, BSTR *text, VARIANT *result, EXCEPINFO *exception)
{
    VARIANT argument {};
    argument.vt = VT_BSTR | VT_BYREF;
    argument.u.pbstrVal = text;
    DISPPARAMS params {&argument, nullptr, 1, 0};
    return account->Invoke(
        DISPID_showAccountForm, &IID_NULL, 0, DISPATCH_METHOD, &params, result, exception, nullptr);
}

// Answers the dialog when it comes up: a message box with OK, after keeping
// its "title:text"; any other dialog by typing into its boxes and pressing OK.
void answer(const QString &dialog, const QList<std::pair<QString, QString>> &typing, bool *ran,
    QString *said = nullptr)
{
    ModalDriver::whenShown(
        dialog,
        [typing, said](QWidget *shown) {
            if (auto *box = qobject_cast<QMessageBox *>(shown)) {
                if (said)
                    *said = box->windowTitle() + ':' + box->text();
                box->button(QMessageBox::Ok)->click();
                return;
            }
            for (const auto &[name, text] : typing)
                DialogTest::retype(DialogTest::control(shown, name), text);
            DialogTest::click(shown, shown->objectName() == u"FolderAdd" ? "Command2" : "Command1");
        },
        ran);
}

// Clicks the node with the key (if one is named) and the toolbar button, and
// answers the dialog that comes up. The window's classes live in the loaded
// library; the test sees them only as the Qt widgets they are built on.
void command(QWidget *window, const QString &node, const QString &key, const QString &dialog,
    const QList<std::pair<QString, QString>> &typing = {})
{
    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("SSTree1"));
    for (QTreeWidgetItemIterator it(tree); *it && !node.isEmpty(); ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == node) {
            tree->scrollToItem(*it);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                tree->visualItemRect(*it).center());
        }
    bool ran = false;
    answer(dialog, typing, &ran);
    auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
    for (QAction *action : toolbar->actions())
        if (action->objectName() == key)
            QTest::mouseClick(toolbar->widgetForAction(action), Qt::LeftButton);
    QVERIFY2(ran, qPrintable(key));
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void twoCallsEachShowTheirDatabaseAndReturnOnceTheWindowIsClosed_data();
    void twoCallsEachShowTheirDatabaseAndReturnOnceTheWindowIsClosed();
    void theTreeAndEveryToolbarCommandWorkThroughTheExportedEntry();
    void aCallFromAnotherThreadFailsWithADescription();
    void theFourExportsRegisterAndUnregisterTheComponent();

private:
    void showAndClose(const QString &connStr, const std::function<void(QWidget *)> &whileOpen = {},
        const QString &how = QStringLiteral("close box"));

    QTemporaryDir m_registryDir;
    _ShowAccount *m_account = nullptr;
    QStringList m_trees; // "key text, ..." of the tree each window showed
    QCoreApplication *const m_hosts = QCoreApplication::instance();
    const QSignalSpy m_quitting {m_hosts, &QCoreApplication::aboutToQuit};
};

void TestEndToEnd::initTestCase()
{
    qputenv("TX_ACCOUNT_REGISTRY",
        (m_registryDir.path() + QStringLiteral("/registry.ini")).toLocal8Bit());
    QCOMPARE(ComActivator::registerLibrary(libraryPath()).status, S_OK);
}

void TestEndToEnd::init()
{
    m_trees.clear();
    const auto created = ComActivator::createByProgId(QStringLiteral("tx_account.ShowAccount"));
    m_account = created.object;
    QVERIFY2(m_account, qPrintable(created.description));
    QCOMPARE(canUnloadNow(), S_FALSE); // the object keeps the library loaded
}

// After the last release the library may unload, and the host's application
// has outlived every call and release.
void TestEndToEnd::cleanup()
{
    ModalDriver::closeAllModals();
    if (m_account)
        m_account->Release();
    m_account = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(canUnloadNow(), S_OK);
    QCOMPARE(QCoreApplication::instance(), m_hosts);
    QCOMPARE(m_quitting.count(), 0);
    QCOMPARE(DialogTest::visibleWindows(), QStringList());
}

// Calls showAccountForm, runs whileOpen in the window and closes it, each as
// `how` says. The call must succeed, return only once the window is gone, and
// leave the host's string as it was.
void TestEndToEnd::showAndClose(
    const QString &connStr, const std::function<void(QWidget *)> &whileOpen, const QString &how)
{
    const bool invoke = how == u"through Invoke";
    bool ran = false;
    ModalDriver::whenShown(
        QStringLiteral("AccountBrowse"),
        [&](QWidget *window) {
            const QPointer<QWidget> alive(window);
            QStringList nodes;
            for (QTreeWidgetItemIterator it(window->findChild<QTreeWidget *>("SSTree1")); *it; ++it)
                nodes << (*it)->data(0, Qt::UserRole).toString() + QLatin1Char(' ')
                        + (*it)->text(0);
            m_trees << nodes.join(QStringLiteral(", "));
            QCOMPARE(window->windowTitle(), QStringLiteral("アカウント一覧"));
            if (whileOpen)
                whileOpen(window);
            // Escape closes nothing; the close box does.
            if (how == u"escape key") {
                QTest::keyClick(window->findChild<QTreeWidget *>("SSTree1"), Qt::Key_Escape);
                QVERIFY(alive && alive->isVisible());
            }
            window->close();
            QVERIFY2(!alive || !alive->isVisible(), qPrintable(how));
        },
        &ran);
    Bstr text {toBstr(connStr)};
    const BSTR before = text.value;
    VARIANT result {};
    result.vt = VT_NULL;
    const HRESULT status = invoke ? invokeShow(m_account, &text.value, &result, nullptr)
                                  : m_account->showAccountForm(&text.value);
    QVERIFY(ran);
    QCOMPARE(status, S_OK);
    QCOMPARE(result.vt, invoke ? VT_EMPTY : VT_NULL);
    QCOMPARE(text.value, before);
    QCOMPARE(fromBstr(text.value), connStr);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(widget->objectName() != u"AccountBrowse",
            "the window's widgets are destroyed on return");
}

void TestEndToEnd::twoCallsEachShowTheirDatabaseAndReturnOnceTheWindowIsClosed_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("firstMissing");
    QTest::newRow("close box") << "close box" << false;
    QTest::newRow("escape key") << "escape key" << false;
    QTest::newRow("through Invoke") << "through Invoke" << false;
    QTest::newRow("first database missing") << "close box" << true;
}

// A database that cannot be opened still shows the window, after one
// message, creates no file and does not hinder the next call.
void TestEndToEnd::twoCallsEachShowTheirDatabaseAndReturnOnceTheWindowIsClosed()
{
    QFETCH(QString, how);
    QFETCH(bool, firstMissing);
    TestDatabase first;
    TestDatabase second;
    const QString work = first.addFolder(QStringLiteral("0"), QStringLiteral("仕事"));
    const QString home = second.addFolder(QStringLiteral("0"), QStringLiteral("家"));
    const QString missing = first.path() + QStringLiteral(".missing");
    const QStringList testsOwn = QSqlDatabase::connectionNames();
    bool told = false;
    QString message;
    if (firstMissing)
        answer(QStringLiteral("TovrixMessage"), {}, &told, &message);
    for (const QString &connStr :
        {firstMissing ? missing : first.connectionString(), second.connectionString()}) {
        showAndClose(connStr, {}, how);
        QCOMPARE(QSqlDatabase::connectionNames().size(), testsOwn.size()); // closed and gone
    }
    QCOMPARE(m_trees,
        (QStringList {"0 ｱｶｳﾝﾄ" + (firstMissing ? QString() : ", " + work + " 仕事"),
            "0 ｱｶｳﾝﾄ, " + home + " 家"}));
    QCOMPARE(told, firstMissing);
    if (firstMissing)
        QVERIFY2(message.startsWith(QStringLiteral("Tovrix:"))
                && message.contains(QStringLiteral("closed")),
            qPrintable(message));
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(first.rowCount(), 1);
}

void TestEndToEnd::theTreeAndEveryToolbarCommandWorkThroughTheExportedEntry()
{
    TestDatabase table;
    const QString folder = table.addFolder(QStringLiteral("0"), QStringLiteral("仕事"));
    const QString inner = table.addAccount(folder, QStringLiteral("営業部"));
    const QString top = table.addAccount(QStringLiteral("0"), QStringLiteral("Personal"));
    const QStringList before = table.snapshot();
    const auto row = [&table](const QString &where) {
        const auto rows = table.rows(
            "select P_ACCOUNT_NO, KIND, NAME, SMTP_PORT, HTML_SIG from ACCOUNT where " + where);
        return rows.empty() ? QString() : rows.front().join(QLatin1Char('|'));
    };
    const auto newest = [&table] { return table.value("select max(ACCOUNT_NO) from ACCOUNT"); };
    showAndClose(table.connectionString(), [&](QWidget *window) {
        command(window, "0", "addf", "FolderAdd", {{"Text1", "Work"}});
        const QString work = newest();
        QCOMPARE(row("ACCOUNT_NO = " + work), QStringLiteral("0|F|Work||"));
        command(window, work, "updatef", "FolderAdd", {{"Text1", "Office"}});
        QCOMPARE(row("ACCOUNT_NO = " + work), QStringLiteral("0|F|Office||"));
        command(window, {}, "add", "AccountAdd",
            {{"Text1", "Mail"}, {"Text2", "Ann"}, {"Text3", "ann@example.com"},
                {"Text4", "smtp.example.com"}});
        const QString account = newest();
        QCOMPARE(row("ACCOUNT_NO = " + account), work + "|A|Mail|25|");
        command(window, account, "update", "AccountAdd", {{"Text1", "Mail 2"}});
        QCOMPARE(row("ACCOUNT_NO = " + account), work + "|A|Mail 2|25|");
        command(window, {}, "copy", "AccountAdd", {{"Text1", "Copy"}});
        QCOMPARE(row("NAME = 'Copy'"), work + "|A|Copy|25| ");
        command(window, {}, "del", "TovrixMessage");
        QCOMPARE(row("ACCOUNT_NO = " + account), QString());
        command(window, work, "delf", "TovrixMessage");
        QCOMPARE(table.snapshot(), before); // the copy went with its folder
    });
    QCOMPARE(m_trees,
        QStringList {"0 ｱｶｳﾝﾄ, " + folder + " 仕事, " + inner + " 営業部, " + top + " Personal"});
}

void TestEndToEnd::aCallFromAnotherThreadFailsWithADescription()
{
    TestDatabase table;
    HRESULT direct = S_OK;
    HRESULT invoked = S_OK;
    EXCEPINFO exception {};
    const std::unique_ptr<QThread> other(QThread::create([&] {
        Bstr text {toBstr(table.connectionString())};
        direct = m_account->showAccountForm(&text.value);
        invoked = invokeShow(m_account, &text.value, nullptr, &exception);
    }));
    other->start();
    QVERIFY(other->wait(10000));
    const Bstr description {exception.bstrDescription};
    const Bstr source {exception.bstrSource};
    QCOMPARE(direct, RPC_E_WRONG_THREAD);
    QCOMPARE(invoked, DISP_E_EXCEPTION);
    QCOMPARE(exception.scode, RPC_E_WRONG_THREAD);
    QVERIFY(fromBstr(description.value).contains(QStringLiteral("thread")));
    QCOMPARE(fromBstr(source.value), QStringLiteral("tx_account.ShowAccount"));
    QVERIFY(ComActivator::errorDescription(m_account).contains(QStringLiteral("thread")));
    showAndClose(table.connectionString()); // the object still works
}

// Last, so that a failure half way cannot leave the other tests unregistered.
void TestEndToEnd::theFourExportsRegisterAndUnregisterTheComponent()
{
    QProcess nm;
    nm.start(QStringLiteral("nm"),
        {"-D", "--defined-only", "--extern-only", "--format=just-symbols", libraryPath()});
    QVERIFY(nm.waitForFinished() && nm.exitCode() == 0); // nm lists them by name
    QCOMPARE(QString::fromLocal8Bit(nm.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
        (QStringList {
            "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}));

    const QString progId = QStringLiteral("tx_account.ShowAccount");
    const QString clsid = QStringLiteral("{84A65E4E-0516-4E6D-8F86-AF57DE481DE1}");
    QCOMPARE(Registry::clsidForProgId(progId), clsid);
    QCOMPARE(Registry::inprocServer(clsid), libraryPath());
    QCOMPARE(Registry::threadingModel(clsid), QStringLiteral("Apartment"));
    const QString typeLibrary
        = Registry::typeLibrary(QStringLiteral("{D2A5EE3C-1581-4727-AB75-AF9DC0044D9B}"));
    QVERIFY2(QFileInfo(typeLibrary).isFile(), qPrintable(typeLibrary));

    QCOMPARE(loadedEntry<TxDllUnregisterServerFn>("DllUnregisterServer")(), S_OK);
    QVERIFY(Registry::clsidForProgId(progId).isEmpty());
    QVERIFY(Registry::inprocServer(clsid).isEmpty());
    const ComActivator::Result created = ComActivator::createByProgId(progId);
    QVERIFY(!created.object);
    QVERIFY(created.description.contains(QStringLiteral("not registered")));
    QCOMPARE(ComActivator::registerLibrary(libraryPath()).status, S_OK);
    QCOMPARE(Registry::clsidForProgId(progId), clsid);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
