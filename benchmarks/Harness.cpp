#include "Harness.h"

#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

int shown = 0;

} // namespace

Plan Plan::full()
{
    // The chain stops one row short of the tree's depth limit, so the load
    // runs its whole query per row and shows no message.
    return {{1000, 10000, 100000}, 9999, {1000, 10000}, 100, 100000};
}

Plan Plan::smoke()
{
    return {{1000}, 1000, {1000}, 100, 1000};
}

benchmark::internal::Benchmark *addBenchmark(
    const QString &name, std::function<void(benchmark::State &)> body)
{
    return benchmark::RegisterBenchmark(name.toStdString().c_str(), std::move(body))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void answerMessagesQuietly()
{
    MessageBox::setAnswerer([](const MessageBox::Request &) {
        ++shown;
        return MessageBox::Answer::Ok;
    });
}

int messagesShown()
{
    return shown;
}

void disposeDeferred()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
