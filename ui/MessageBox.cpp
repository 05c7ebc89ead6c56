#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

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
