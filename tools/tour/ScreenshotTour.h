#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace orvane {
class NavigationController;
class OrvaneViewController;
} // namespace orvane

namespace demo {
class DemoHost;
} // namespace demo

namespace orvane::tour {

// Walks the offerwall the way a user would (list with the benefits popup, the list, the shopping
// tab, a detail page, the benefits history and its period sheet, the inquiry form; then the
// carousel on the host's own screen) and writes one PNG of the window on top per screen into a
// folder. The host presents the offerwall as a window of its own.
// Each step acts, waits until its screen is ready (bounded), lets images settle, then grabs.
// finished(ok) reports whether every screen was written.
class ScreenshotTour final : public QObject {
    Q_OBJECT
public:
    ScreenshotTour(demo::DemoHost* host, QString directory, QObject* parent = nullptr);
    void start();
    QStringList written() const { return m_written; }

Q_SIGNALS:
    void finished(bool ok);

private:
    struct Step {
        QString file; // empty: no screenshot
        std::function<void()> action;
        std::function<bool()> ready;
        int settleMs = 0;
        bool needsOfferwall = true; // the action works on the offerwall on screen
    };

    // The offerwall the host presented, while it is on screen.
    NavigationController* offerwall() const;
    void buildSteps();
    void addInquirySteps(const std::function<NavigationController*()>& nav);
    void addCarouselSteps(const std::function<OrvaneViewController*()>& screen);
    void runStep();
    void poll();
    void fail(const QString& why);

    QPointer<demo::DemoHost> m_host;
    QString m_directory;
    QList<Step> m_steps;
    int m_index = -1;
    QTimer m_poll;
    QElapsedTimer m_clock;
    QStringList m_written;
};

} // namespace orvane::tour
