#include "core/NotificationCenter.h"

#include <algorithm>

#include <QMetaObject>
#include <QThread>

namespace orvane {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const QString& name, QObject* context, Handler handler) {
    if (!context || !handler) {
        return;
    }
    bool firstForContext = false;
    {
        QMutexLocker lock(&m_mutex);
        firstForContext =
            std::none_of(m_observers.begin(), m_observers.end(),
                         [context](const Observer& o) { return o.context == context; });
        m_observers.push_back({name, context, std::move(handler), m_nextId++});
    }
    if (firstForContext) {
        QObject::connect(
            context, &QObject::destroyed, context, [this, context] { removeObserver(context); },
            Qt::DirectConnection);
    }
}

void NotificationCenter::removeObserver(QObject* context, const QString& name) {
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [&](const Observer& o) {
        // A context that is being destroyed already reads as null through its QPointer.
        const bool sameContext = o.context == context || o.context.isNull();
        return sameContext && (name.isEmpty() || o.name == name);
    });
}

void NotificationCenter::post(const QString& name) {
    std::vector<Observer> targets;
    {
        QMutexLocker lock(&m_mutex);
        for (const Observer& o : m_observers) {
            if (o.name == name && o.context) {
                targets.push_back(o);
            }
        }
    }
    for (Observer& o : targets) {
        QObject* context = o.context.data();
        if (!context) {
            continue;
        }
        if (context->thread() == QThread::currentThread()) {
            o.handler();
        } else {
            QMetaObject::invokeMethod(context, std::move(o.handler), Qt::QueuedConnection);
        }
    }
}

int NotificationCenter::observerCount(const QString& name) const {
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(
        std::count_if(m_observers.begin(), m_observers.end(),
                      [&](const Observer& o) { return o.name == name && o.context; }));
}

} // namespace orvane
