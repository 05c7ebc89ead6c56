#include "Benchmarks.h"

#include "BenchTable.h"

#include "component/Bstr.h"
#include "component/ShowAccount.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Watches for the first paint of the window with the given objectName. A
// zero timer queued from its first paint event fires once that whole repaint,
// children and flush included, is done: that moment ends the timing, and the
// window is closed.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QString &windowName)
        : m_windowName(windowName)
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaint() override { qApp->removeEventFilter(this); }

    bool seen() const { return m_seen; }
    Took since(const Instant &start) const { return Took::between(start, m_painted); }
    QSize windowSize() const { return m_windowSize; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_seen || event->type() != QEvent::Paint)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window()->objectName() != m_windowName)
            return false;
        m_seen = true;
        QPointer<QWidget> window = widget->window();
        QTimer::singleShot(0, this, [this, window] {
            m_painted = Instant::now();
            if (window) {
                m_windowSize = window->size();
                window->close();
            }
        });
        return false;
    }

private:
    QString m_windowName;
    bool m_seen = false;
    Instant m_painted;
    QSize m_windowSize;
};

QSize browserSize;

// One opening of the account list through the component's entry, on the
// table; returns the time from the call to the end of the first paint.
Took openBrowser(const QString &connectionString, bool &ok)
{
    FirstPaint paint(QStringLiteral("AccountBrowse"));
    ShowAccount *object = new ShowAccount;
    BSTR connStr = toBstr(connectionString);
    const Instant start = Instant::now();
    ok = SUCCEEDED(object->showAccountForm(&connStr)) && paint.seen();
    TxSysFreeString(connStr);
    object->Release();
    disposeDeferred();
    browserSize = paint.windowSize();
    return paint.since(start);
}

void showAccountFormUntilPainted(benchmark::State &state, int rows)
{
    const BenchTable &table = BenchTable::of(Shape::Balanced, rows);
    bool ok = true;
    timeEach(state, [&] {
        bool opened = false;
        const Took took = openBrowser(table.connectionString(), opened);
        ok = ok && opened;
        return took;
    });
    if (!ok)
        state.SkipWithError("the account list did not open and paint");
}

// The account list's size, from an opening of its own when none ran before.
QSize browserWindowSize(int rows)
{
    if (!browserSize.isValid()) {
        bool ok = false;
        openBrowser(BenchTable::of(Shape::Balanced, rows).connectionString(), ok);
    }
    return browserSize;
}

void bareDialogUntilPainted(benchmark::State &state, int rows)
{
    const QSize size = browserWindowSize(rows);
    bool ok = size.isValid();
    timeEach(state, [&] {
        FirstPaint paint(QStringLiteral("bare"));
        const Instant start = Instant::now();
        {
            QDialog dialog;
            dialog.setObjectName(QStringLiteral("bare"));
            dialog.resize(size);
            dialog.exec();
        }
        ok = ok && paint.seen();
        return paint.since(start);
    });
    if (!ok)
        state.SkipWithError("the bare dialog did not open and paint");
}

} // namespace

std::vector<Comparison> registerWindowBenchmarks(const Plan &plan)
{
    const int rows = plan.windowRows;
    const QString size = QString::number(rows);
    addBenchmark(QStringLiteral("window/showAccountForm/") + size,
        [rows](auto &state) { showAccountFormUntilPainted(state, rows); });
    addBenchmark(QStringLiteral("window/bare_dialog"),
        [rows](auto &state) { bareDialogUntilPainted(state, rows); });
    return {{QStringLiteral("window opening, %1 rows").arg(grouped(rows)),
        QStringLiteral("window/showAccountForm/") + size, QStringLiteral("bare QDialog, same size"),
        QStringLiteral("window/bare_dialog"), 2}};
}
