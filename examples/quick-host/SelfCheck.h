#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QQuickItem;
class QQuickWindow;

namespace quickhost {

// The --check run: completes one campaign the way a user would, by clicking the buttons of the
// window (the row, "Allow" in the host's consent prompt, the kit's completion alert), then waits
// for the host's reward server to credit it. Each step is retried until it succeeds, for at most 20
// s; the application exits with 0 after the last one, or with 1 at the first step that never
// succeeds.
class SelfCheck final : public QObject {
public:
    explicit SelfCheck(QObject* window);

private:
    struct Step {
        const char* what;
        std::function<bool()> attempt; // true once done
    };

    QQuickItem* find(const QString& objectName, bool visibleOnly = true) const;
    QQuickItem* findPrefixed(const QString& prefix) const;
    void tap(QQuickItem* item);
    bool showCampaign(qint64 campaignId);
    void poll();

    QPointer<QQuickWindow> m_window;
    std::vector<Step> m_steps;
    std::size_t m_step = 0;
    QTimer m_poll;
    QElapsedTimer m_clock;
    int m_rewards = 0;
    QString m_walletBefore;
};

} // namespace quickhost
