#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include <QObject>

namespace orvane::detail {

// Runs blocks on the thread the mailbox lives on, in the order they were posted. Blocks travel
// through a std::mutex-guarded queue and the wake-up is a queued call by name, so every hand-over
// is visible to ThreadSanitizer even with a Qt built without it (Qt's own queues synchronise with
// futexes it cannot see). Blocks still queued when the mailbox is destroyed are dropped.
class Mailbox final : public QObject {
    Q_OBJECT
public:
    explicit Mailbox(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Mailbox)

    // The mailbox of the main thread; lives until the process ends.
    static Mailbox& main();

    void post(std::function<void()> block); // any thread

private:
    Q_INVOKABLE void drain();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_blocks;
};

} // namespace orvane::detail
