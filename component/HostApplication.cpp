#include "HostApplication.h"

#include "ui/Look.h"

#include <QApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

namespace {

// Qt aborts the whole process when it cannot reach a display, so the
// component looks first and reports instead.
std::optional<QString> missingDisplay()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(u"xcb"))
        return std::nullopt;
    if (platform.isEmpty() && !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty())
        return std::nullopt;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral(
            "There is no display to show the account window on: DISPLAY is not set");
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const auto match = local.match(display);
    if (match.hasMatch()
        && !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + match.captured(1)))
        return QStringLiteral("There is no display to show the account window on: "
                              "the X display %1 is not running")
            .arg(display);
    return std::nullopt;
}

} // namespace

std::optional<ComFailure> prepareHostApplication()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        if (QThread::currentThread() != app->thread())
            return ComFailure {RPC_E_WRONG_THREAD,
                QStringLiteral("showAccountForm was called from a thread other than "
                               "the host's user-interface thread")};
        if (!qobject_cast<QApplication *>(app))
            return ComFailure {E_FAIL,
                QStringLiteral("The host's application object is not a "
                               "QApplication, so no window can be shown")};
        applyJapaneseLook();
        return std::nullopt;
    }
    if (const auto why = missingDisplay())
        return ComFailure {E_FAIL, *why};
    static int argc = 1;
    static char name[] = "tx_account";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    applyJapaneseLook();
    return std::nullopt;
}
