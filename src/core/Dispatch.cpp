#include "core/Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

namespace orvane::dispatch {

void toMain(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        return;
    }
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void toMain(QObject* context, std::function<void()> work) {
    if (!context) {
        return;
    }
    // A queued call to a destroyed receiver is discarded by Qt, so `work` never outlives it.
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

void afterOnMain(int milliseconds, QObject* context, std::function<void()> work) {
    const bool hasContext = context != nullptr;
    QPointer<QObject> guard(context);
    toMain([milliseconds, hasContext, guard, work = std::move(work)]() mutable {
        if (hasContext && !guard) {
            return;
        }
        QObject* receiver = hasContext ? guard.data() : QCoreApplication::instance();
        QTimer::singleShot(milliseconds, receiver, std::move(work));
    });
}

bool isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void toGlobal(std::function<void()> work) {
    QThreadPool::globalInstance()->start(std::move(work));
}

SerialQueue::SerialQueue(const QString& label)
    : m_label(label)
    , m_pool(std::make_unique<QThreadPool>()) {
    m_pool->setMaxThreadCount(1);
    m_pool->setObjectName(label);
}

SerialQueue::~SerialQueue() {
    m_pool->waitForDone();
}

void SerialQueue::async(std::function<void()> work) {
    m_pool->start(std::move(work));
}

void SerialQueue::waitForIdle() {
    m_pool->waitForDone();
}

} // namespace orvane::dispatch
