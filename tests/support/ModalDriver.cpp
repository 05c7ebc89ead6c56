#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

constexpr int giveUpAfterMs = 10000;
constexpr int quietBeforeStoppingMs = 2000;
const char *const pendingName = "ModalDriver.pending";

// Closes every modal window that shows up until none has shown for a while,
// so that a test whose expected window never came ends instead of hanging.
void reapModals()
{
    auto *timer = new QTimer(qApp);
    // Owned by the connection, so it goes with the timer however that ends.
    const auto quiet = std::make_shared<QElapsedTimer>();
    quiet->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        if (QApplication::activeModalWidget()) {
            ModalDriver::closeAllModals();
            quiet->restart();
        } else if (quiet->elapsed() > quietBeforeStoppingMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

} // namespace

void ModalDriver::whenShown(
    const QString &objectName, std::function<void(QWidget *)> action, bool *ran)
{
    *ran = false;
    auto *timer = new QTimer(qApp);
    timer->setObjectName(QLatin1String(pendingName));
    // Owned by the connection: a window that never comes before the test
    // ends must not leave the clock behind.
    const auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool found = modal && modal->objectName() == objectName && modal->isVisible();
        if (!found && clock->elapsed() < giveUpAfterMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (found) {
            *ran = true;
            action(modal);
        } else {
            qWarning(
                "ModalDriver: %s never became the active modal window", qPrintable(objectName));
            reapModals();
        }
    });
    timer->start(10);
}

void ModalDriver::cancelPending()
{
    for (QTimer *timer :
        qApp->findChildren<QTimer *>(QLatin1String(pendingName), Qt::FindDirectChildrenOnly))
        delete timer;
}

void ModalDriver::closeAllModals(const QWidget *last)
{
    for (int i = 0; i < 20; ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        const bool lastOne = modal == last;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        QApplication::processEvents();
        if (lastOne)
            return;
    }
}
