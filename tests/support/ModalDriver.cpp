#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace {
constexpr int giveUpAfterMs = 10000;
} // namespace

void ModalDriver::whenShown(const QString &objectName, std::function<void(QWidget *)> action,
                            bool *ran)
{
    *ran = false;
    auto *timer = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool found = modal && modal->objectName() == objectName && modal->isVisible();
        if (!found && clock->elapsed() < giveUpAfterMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (found) {
            *ran = true;
            action(modal);
        } else {
            qWarning("ModalDriver: %s never became the active modal window", qPrintable(objectName));
            closeAllModals();
        }
    });
    timer->start(10);
}

void ModalDriver::closeAllModals()
{
    for (int i = 0; i < 20; ++i) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        QApplication::processEvents();
    }
}
