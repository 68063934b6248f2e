#pragma once

#include <functional>

#include <QTimer>

namespace orvane {

// The repeating timer of the participation poll. ApiJoin takes one from outside so tests can run
// a whole poll without waiting for real seconds. Main thread only.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    // Schedules `tick` to run every interval until stop(); replaces an earlier schedule. The first
    // tick comes one interval after start().
    virtual void start(std::function<void()> tick) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The production timer: a QTimer on the main thread, one second by default.
class QtPollTimer final : public PollTimer {
public:
    explicit QtPollTimer(int intervalMs = 1000);
    void start(std::function<void()> tick) override;
    void stop() override;
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_tick;
};

// A timer that ticks only when told to (fire()), for tests.
class ManualPollTimer final : public PollTimer {
public:
    void start(std::function<void()> tick) override;
    void stop() override;
    bool isActive() const override { return m_active; }

    // Runs one tick if the timer is active; returns whether it did.
    bool fire();
    // How many times start() was called.
    int starts() const { return m_starts; }

private:
    std::function<void()> m_tick;
    bool m_active = false;
    int m_starts = 0;
};

} // namespace orvane
