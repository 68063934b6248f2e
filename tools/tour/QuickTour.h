#pragma once

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QQmlApplicationEngine;
class QQuickItem;
class QQuickWindow;

namespace orvane::tour {

// Walks the Qt Quick offerwall (the QML module's OfferwallView, alone in a 390 x 844 window) and
// writes one PNG per screen, named "quick-" and the name of the Widgets tour's picture of the same
// screen, so that the two sets lie side by side. A step taps an item by its objectName (or acts in
// C++) and waits until an item shows; a new QML page is one more line in buildSteps().
// finished(ok) reports whether every picture was written.
class QuickTour final : public QObject {
    Q_OBJECT
public:
    explicit QuickTour(QString directory, QObject* parent = nullptr);
    ~QuickTour() override;

    void start();
    QStringList written() const { return m_written; }

Q_SIGNALS:
    void finished(bool ok);

private:
    using Action = std::function<void()>;
    using Ready = std::function<bool()>;
    struct Step {
        QString file; // empty: no picture
        Action action;
        Ready ready;
    };

    // The first visible item whose objectName starts with `name`.
    QQuickItem* item(const QString& name) const;
    Action tap(const QString& name);
    Ready shown(const QString& name);
    Ready gone(const QString& name);
    Ready textIs(const QString& name, const QString& text);
    void buildSteps();
    void runStep();
    void poll();
    void finish(bool ok, const QString& why = QString());

    QString m_directory;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QPointer<QQuickWindow> m_window;
    QList<Step> m_steps;
    qsizetype m_index = 0;
    QTimer m_poll;
    QElapsedTimer m_clock;
    QStringList m_written;
};

} // namespace orvane::tour
