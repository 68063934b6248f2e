#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QString>

class QObject;
class QThreadPool;

namespace orvane::dispatch {

// Runs `work` later on the main (GUI) thread's event loop. Blocks queued from any thread run in
// the order they were queued.
void toMain(std::function<void()> work);

// Same, but `work` is dropped if `context` is destroyed before it runs. `context` must live on the
// main thread; this is how replies reach screens without outliving them.
void toMain(QObject* context, std::function<void()> work);

// Runs `work` on the main thread after `milliseconds`.
void afterOnMain(int milliseconds, QObject* context, std::function<void()> work);

bool isMainThread();

// Runs `work` on a shared background thread pool (no ordering between blocks).
void toGlobal(std::function<void()> work);

// A background queue that runs its blocks one at a time, in the order they were queued.
class SerialQueue final {
public:
    explicit SerialQueue(const QString& label);
    ~SerialQueue(); // waits for the blocks already queued
    Q_DISABLE_COPY_MOVE(SerialQueue)

    void async(std::function<void()> work);
    // Blocks until every block queued so far has run.
    void waitForIdle();
    const QString& label() const { return m_label; }

private:
    QString m_label;
    std::unique_ptr<QThreadPool> m_pool;
};

} // namespace orvane::dispatch
