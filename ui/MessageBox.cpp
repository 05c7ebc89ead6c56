#include "MessageBox.h"

#include "BusyCursor.h"

#include <QApplication>
#include <QMessageBox>

#include <optional>

namespace {

MessageBox::Answerer &answerer()
{
    static MessageBox::Answerer instance;
    return instance;
}

QMessageBox::Icon qtIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Answer MessageBox::show(const QString &text, Buttons buttons, Icon icon)
{
    // Over the wait cursor of a load or a delete, the pointer to answer with.
    std::optional<BusyCursor> pointer;
    if (QGuiApplication::overrideCursor())
        pointer.emplace(Qt::ArrowCursor);
    if (answerer())
        return answerer()({text, buttons, icon});

    QMessageBox box(qtIcon(icon), title(), text,
        buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
        QApplication::activeWindow());
    box.setObjectName(QStringLiteral("TovrixMessage"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void MessageBox::setAnswerer(Answerer newAnswerer)
{
    answerer() = std::move(newAnswerer);
}
