#include "Benchmarks.h"

#include "BenchTable.h"

#include "component/Bstr.h"
#include "component/ShowAccount.h"

#include <QApplication>
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
            if (window)
                window->close();
        });
        return false;
    }

private:
    QString m_windowName;
    bool m_seen = false;
    Instant m_painted;
};

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
    return paint.since(start);
}

void showAccountFormUntilPainted(benchmark::State &state, Shape shape, int rows)
{
    const BenchTable &table = BenchTable::of(shape, rows);
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

} // namespace

// The window on a balanced table, and on the deepest chain it shows whole:
// Qt's view lays an open chain out in time that grows with the square of its
// depth, and does it before the first paint.
std::vector<Comparison> registerWindowBenchmarks(const Plan &plan)
{
    std::vector<Comparison> lines;
    for (const auto &[shape, rows] :
        {std::pair {Shape::Balanced, plan.windowRows}, std::pair {Shape::Deep, plan.deepRows}}) {
        const QString name = QStringLiteral("window/%1/%2").arg(shapeName(shape)).arg(rows);
        addBenchmark(
            name, [shape, rows](auto &state) { showAccountFormUntilPainted(state, shape, rows); });
        const bool targeted = shape == Shape::Balanced && rows >= 10000;
        lines.push_back({QStringLiteral("window opening, %1 %2, call to first paint")
                             .arg(shapeName(shape), grouped(rows)),
            name, QString(), QString(), targeted ? std::optional(100.0) : std::nullopt});
    }
    return lines;
}
