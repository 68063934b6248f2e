#include "participation/PollTimer.h"

namespace orvane {

QtPollTimer::QtPollTimer(int intervalMs) {
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        // Copy first: the tick may stop or restart this timer.
        const std::function<void()> tick = m_tick;
        if (tick) {
            tick();
        }
    });
}

void QtPollTimer::start(std::function<void()> tick) {
    m_tick = std::move(tick);
    m_timer.start();
}

void QtPollTimer::stop() {
    m_timer.stop();
    m_tick = nullptr;
}

void ManualPollTimer::start(std::function<void()> tick) {
    m_tick = std::move(tick);
    m_active = true;
    ++m_starts;
}

void ManualPollTimer::stop() {
    m_active = false;
    m_tick = nullptr;
}

bool ManualPollTimer::fire() {
    if (!m_active || !m_tick) {
        return false;
    }
    const std::function<void()> tick = m_tick;
    tick();
    return true;
}

} // namespace orvane
