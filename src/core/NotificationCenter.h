#pragma once

#include <functional>
#include <vector>

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

namespace orvane {

// Names of the notifications that tie the screens together.
inline const QString kActionListChange = QStringLiteral("action_list_change");
inline const QString kActionDetailFinish = QStringLiteral("action_detail_finish");

// Named notifications without payload. Every observer has a context object: its handler runs on
// the context's thread (directly when posted there, queued otherwise) and the observer is removed
// when the context is destroyed, so a handler never runs for a dead screen.
class NotificationCenter final {
public:
    using Handler = std::function<void()>;

    static NotificationCenter& defaultCenter();

    void addObserver(const QString& name, QObject* context, Handler handler);
    // Removes the observers of `context`, for one name or (empty name) for all names.
    void removeObserver(QObject* context, const QString& name = {});
    // Delivers `name` to its observers in the order they were added.
    void post(const QString& name);

    int observerCount(const QString& name) const;

    NotificationCenter() = default;
    Q_DISABLE_COPY_MOVE(NotificationCenter)

private:
    struct Observer {
        QString name;
        QPointer<QObject> context;
        Handler handler;
        quint64 id;
    };

    mutable QMutex m_mutex;
    std::vector<Observer> m_observers;
    quint64 m_nextId = 1;
};

} // namespace orvane
