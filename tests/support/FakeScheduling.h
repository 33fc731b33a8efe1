#pragma once

#include "core/state/Scheduling.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

// A clock that moves only when told, timers that fire when the clock passes them, and background
// work that runs when the test says so.
class FakeScheduling final : public Scheduling {
public:
    QDateTime clock = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
    QList<std::function<void()>> backgroundQueue;
    QList<std::function<void()>> placementQueue;

    QDateTime now() override { return clock; }
    TimerId after(int ms, QObject* context, std::function<void()> action) override
    {
        timers.append({next, clock.addMSecs(ms), context, std::move(action)});
        return next++;
    }
    void cancel(TimerId id) override
    {
        timers.removeIf([id](const Timer& t) { return t.id == id; });
    }
    void background(std::function<void()> work) override { backgroundQueue.append(std::move(work)); }
    void placement(std::function<void()> work) override { placementQueue.append(std::move(work)); }

    int pendingTimers() const { return int(timers.size()); }

    // Moves the clock, firing every timer it passes, earliest first.
    void advance(qint64 ms)
    {
        const QDateTime end = clock.addMSecs(ms);
        for (;;) {
            auto due = std::min_element(timers.begin(), timers.end(),
                                        [](const Timer& a, const Timer& b) { return a.at < b.at; });
            if (due == timers.end() || due->at > end)
                break;
            const Timer timer = *due;
            timers.erase(due);
            clock = std::max(clock, timer.at);
            if (timer.context)
                timer.action();
        }
        clock = end;
    }
    // Runs the queued work (in order) and delivers what it posted back to the main thread.
    void runBackground()
    {
        while (!backgroundQueue.isEmpty())
            backgroundQueue.takeFirst()();
        QCoreApplication::processEvents();
    }
    void runPlacements()
    {
        while (!placementQueue.isEmpty())
            placementQueue.takeFirst()();
        QCoreApplication::processEvents();
    }

private:
    struct Timer {
        TimerId id;
        QDateTime at;
        QPointer<QObject> context;
        std::function<void()> action;
    };
    QList<Timer> timers;
    TimerId next = 1;
};
