// The component as a host meets it: the built library loaded with dlopen
// through the registration, created by its ProgID and called.

#include "support/DialogTest.h"

#include "component/Bstr.h"
#include "component/Registry.h"
#include "host/ComActivator.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>

#include <dlfcn.h>

namespace {

QString libraryPath()
{
    return QFileInfo(qEnvironmentVariable("TX_ACCOUNT_LIBRARY")).canonicalFilePath();
}

// Each node of the tree, before its children: its key and its text.
QStringList nodeLines(const QAbstractItemModel *model, const QModelIndex &parent = {})
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex node = model->index(row, 0, parent);
        lines << node.data(Qt::UserRole).toString() + ' ' + node.data().toString();
        lines << nodeLines(model, node);
    }
    return lines;
}

template <typename Fn> Fn loadedEntry(const char *name)
{
    void *handle = dlopen(libraryPath().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Fn>(dlsym(handle, name)) : nullptr;
}

struct Bstr {
    BSTR value;
    ~Bstr() { TxSysFreeString(value); }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TX_ACCOUNT_REGISTRY", (m_registryDir.path() + "/registry.ini").toLocal8Bit());
        QCOMPARE(ComActivator::registerLibrary(libraryPath()).status, S_OK);
    }

    void init()
    {
        const auto created = ComActivator::createByProgId("tx_account.ShowAccount");
        m_account = created.object;
        QVERIFY2(m_account, qPrintable(created.description));
    }

    void cleanup()
    {
        ModalDriver::closeAllModals();
        if (m_account)
            std::exchange(m_account, nullptr)->Release();
        QCOMPARE(DialogTest::visibleWindows(), QStringList());
    }

    void eachCallShowsItsDatabaseAndReturnsOnceTheWindowIsClosed_data()
    {
        QTest::addColumn<bool>("invoke");
        QTest::newRow("called directly") << false;
        QTest::newRow("through Invoke") << true;
    }

    // The second call shows its own database: nothing is left of the first.
    void eachCallShowsItsDatabaseAndReturnsOnceTheWindowIsClosed()
    {
        QFETCH(bool, invoke);
        TestDatabase first, second;
        const QString work = first.addRow("0", "F", "仕事"), home = second.addRow("0", "F", "家");
        const qsizetype connections = QSqlDatabase::connectionNames().size();
        showAndClose(first.connectionString(), invoke);
        QCOMPARE(m_tree, "0 ｱｶｳﾝﾄ, " + work + " 仕事");
        showAndClose(second.connectionString(), invoke);
        QCOMPARE(m_tree, "0 ｱｶｳﾝﾄ, " + home + " 家");
        QCOMPARE(QSqlDatabase::connectionNames().size(), connections); // closed and gone
    }

    void aCallFromAnotherThreadFailsWithADescription()
    {
        HRESULT status = S_OK;
        const std::unique_ptr<QThread> other(QThread::create([&] {
            Bstr text {toBstr("accounts.db")};
            status = m_account->showAccountForm(&text.value);
        }));
        other->start();
        QVERIFY(other->wait(10000));
        QCOMPARE(status, RPC_E_WRONG_THREAD);
        QVERIFY(ComActivator::errorDescription(m_account).contains("thread"));
    }

    // Last, so that a failure half way cannot leave the other tests unregistered.
    void unregisteringRemovesWhatRegisteringWrote()
    {
        QVERIFY(QFileInfo(Registry::typeLibrary(Registry::guidText(LIBID_tx_account))).isFile());
        const auto unregister = loadedEntry<TxDllUnregisterServerFn>("DllUnregisterServer");
        QCOMPARE(unregister(), S_OK);
        QVERIFY(Registry::inprocServer(Registry::guidText(CLSID_ShowAccount)).isEmpty());
        QVERIFY(ComActivator::createByProgId("tx_account.ShowAccount")
                    .description.contains("not registered"));
        QCOMPARE(ComActivator::registerLibrary(libraryPath()).status, S_OK);
    }

private:
    // Shows the list and closes it: Escape closes nothing, the close box does.
    // The call must return S_OK only once the window and its widgets are gone,
    // and leave the host's string where it was.
    void showAndClose(const QString &connStr, bool invoke)
    {
        QStringList nodes;
        bool ran = false;
        ModalDriver::whenShown(
            "AccountBrowse",
            [&nodes](QWidget *window) {
                auto *tree = window->findChild<QTreeView *>("SSTree1");
                nodes = nodeLines(tree->model());
                QTest::keyClick(tree, Qt::Key_Escape);
                const bool stayed = window->isVisible();
                window->close();
                QVERIFY2(stayed, "Escape closed the list");
            },
            &ran);
        Bstr text {toBstr(connStr)};
        const BSTR before = text.value;
        VARIANT argument {}, result {};
        argument.vt = VT_BSTR | VT_BYREF;
        argument.u.pbstrVal = &text.value;
        DISPPARAMS params {&argument, nullptr, 1, 0};
        const HRESULT status = invoke ? m_account->Invoke(DISPID_showAccountForm, &IID_NULL, 0,
                                   DISPATCH_METHOD, &params, &result, nullptr, nullptr)
                                      : m_account->showAccountForm(&text.value);
        m_tree = nodes.join(", ");
        QVERIFY(ran);
        QCOMPARE(status, S_OK);
        QCOMPARE(text.value, before);
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY2(widget->objectName() != u"AccountBrowse", "its widgets outlived the call");
    }

    QTemporaryDir m_registryDir;
    _ShowAccount *m_account = nullptr;
    QString m_tree; // "key text, ..." of the tree the last call showed
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
