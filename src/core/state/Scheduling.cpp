#include "core/state/Scheduling.h"

#include <QHash>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

struct SystemScheduling::Private {
    QHash<TimerId, QPointer<QTimer>> timers;
    TimerId next = 1;
    // Blocking work has a pool of its own: Qt's global pool also paints.
    QThreadPool work;
    QThreadPool placements; // one thread: placements run one after another, in order
};

SystemScheduling::SystemScheduling() : d(std::make_unique<Private>())
{
    d->placements.setMaxThreadCount(1);
}

// What the background work uses outlives it: whoever owns those services destroys this first.
SystemScheduling::~SystemScheduling()
{
    d->work.waitForDone();
    d->placements.waitForDone();
}

QDateTime SystemScheduling::now()
{
    return QDateTime::currentDateTimeUtc();
}

Scheduling::TimerId SystemScheduling::after(int ms, QObject* context, std::function<void()> action)
{
    const TimerId id = d->next++;
    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, context, [this, id, timer, action = std::move(action)] {
        d->timers.remove(id);
        timer->deleteLater();
        action();
    });
    d->timers.insert(id, timer);
    timer->start(std::max(ms, 0));
    return id;
}

void SystemScheduling::cancel(TimerId timer)
{
    if (QPointer<QTimer> t = d->timers.take(timer))
        t->deleteLater();
}

void SystemScheduling::background(std::function<void()> work)
{
    d->work.start(std::move(work));
}

void SystemScheduling::placement(std::function<void()> work)
{
    d->placements.start(std::move(work));
}
