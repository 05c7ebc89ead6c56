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

    QMessageBox::StandardButtons offered = QMessageBox::Ok;
    QMessageBox::StandardButton preset = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel)
        offered |= QMessageBox::Cancel;
    if (buttons == Buttons::YesNo) {
        offered = QMessageBox::Yes | QMessageBox::No;
        preset = QMessageBox::No;
    }
    QMessageBox box(qtIcon(icon), title(), text, offered, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("TovrixMessage"));
    box.setDefaultButton(preset);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void MessageBox::setAnswerer(Answerer newAnswerer)
{
    answerer() = std::move(newAnswerer);
}
