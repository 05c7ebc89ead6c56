#include "Failures.h"

#include "MessageBox.h"
#include "store/Failure.h"

QString currentFailureText()
{
    try {
        throw;
    } catch (const Failure &error) {
        return error.description();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("An unknown failure occurred");
    }
}

void runOn(const std::function<void()> &step)
{
    try {
        step();
    } catch (...) {
    }
}

bool reportAndStop(const std::function<void()> &procedure)
{
    try {
        procedure();
        return true;
    } catch (...) {
        MessageBox::show(currentFailureText());
        return false;
    }
}

void guardEvent(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (...) {
        MessageBox::show(currentFailureText(), MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    }
}
