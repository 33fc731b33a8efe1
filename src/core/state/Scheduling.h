#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>

// Time, one-shot timers and background work for the application state, injectable so that tests
// drive them without waiting. Timers and the results of background work arrive on the main thread.
class Scheduling {
public:
    using TimerId = quint64;
    virtual ~Scheduling() = default;
    virtual QDateTime now() = 0;
    // Runs `action` on the main thread after `ms`, unless cancelled first or `context` is gone.
    virtual TimerId after(int ms, QObject* context, std::function<void()> action) = 0;
    virtual void cancel(TimerId timer) = 0;
    // Runs `work` off the main thread.
    virtual void background(std::function<void()> work) = 0;
    // Runs `work` off the main thread after every placement handed in before it has finished.
    virtual void placement(std::function<void()> work) = 0;
};

// Runs `action` on the main thread, where whatever it captured is checked before it is touched.
template <typename F> void onMainThread(F action)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action), Qt::QueuedConnection);
}

// Qt timers and thread pools.
class SystemScheduling final : public Scheduling {
public:
    SystemScheduling();
    ~SystemScheduling() override;
    QDateTime now() override;
    TimerId after(int ms, QObject* context, std::function<void()> action) override;
    void cancel(TimerId timer) override;
    void background(std::function<void()> work) override;
    void placement(std::function<void()> work) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
