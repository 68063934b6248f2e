#include "SelfCheck.h"

#include <cstdio>

#include <orvane/Orvane.h>
#include <orvane/Reward.h>

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>

namespace quickhost {

namespace {

// A landing-page campaign of the local test server's catalogue.
constexpr qint64 kCampaign = 105;
constexpr int kStepTimeoutMs = 20000;

QQuickItem* search(QQuickItem* item, const std::function<bool(QQuickItem*)>& match) {
    if (match(item))
        return item;
    for (QQuickItem* child : item->childItems()) {
        if (QQuickItem* found = search(child, match))
            return found;
    }
    return nullptr;
}

} // namespace

SelfCheck::SelfCheck(QObject* window)
    : m_window(qobject_cast<QQuickWindow*>(window)) {
    const QString row = QStringLiteral("camp:%1").arg(kCampaign);
    m_steps = {
        {"the offerwall shows the campaign", [this] { return showCampaign(kCampaign); }},
        {"tapped the campaign",
         [this, row] {
             QQuickItem* campaign = find(row);
             if (campaign)
                 tap(campaign);
             return campaign != nullptr;
         }},
        {"allowed tracking in the host's prompt",
         [this] {
             QQuickItem* allow = find(QStringLiteral("consentAllow"));
             if (allow)
                 tap(allow);
             return allow != nullptr;
         }},
        {"the kit confirmed the reward", [this] { return m_rewards == 1; }},
        {"confirmed the kit's completion alert",
         [this] {
             QQuickItem* confirm = findPrefixed(QStringLiteral("alertAction:"));
             if (confirm)
                 tap(confirm);
             return confirm != nullptr;
         }},
        {"the wallet shows the credit of the host's reward server",
         [this] {
             QQuickItem* wallet = find(QStringLiteral("wallet"), false);
             const QString text = wallet ? wallet->property("text").toString() : QString();
             return !text.isEmpty() && text != m_walletBefore;
         }},
    };
    QObject::connect(&orvane::Orvane::shared(), &orvane::Orvane::rewardConfirmed, this,
                     [this](const orvane::Reward& reward) {
                         if (reward.campaignId() == kCampaign)
                             ++m_rewards;
                         QQuickItem* wallet = find(QStringLiteral("wallet"), false);
                         m_walletBefore = wallet ? wallet->property("text").toString() : QString();
                     });
    m_poll.setInterval(50);
    QObject::connect(&m_poll, &QTimer::timeout, this, &SelfCheck::poll);
    m_clock.start();
    m_poll.start();
}

QQuickItem* SelfCheck::find(const QString& objectName, bool visibleOnly) const {
    if (!m_window)
        return nullptr;
    return search(m_window->contentItem(), [&](QQuickItem* item) {
        return item->objectName() == objectName && (!visibleOnly || item->isVisible());
    });
}

QQuickItem* SelfCheck::findPrefixed(const QString& prefix) const {
    if (!m_window)
        return nullptr;
    return search(m_window->contentItem(), [&](QQuickItem* item) {
        return item->objectName().startsWith(prefix) && item->isVisible();
    });
}

// Clicks a button as a tap on it would: its clicked() runs the QML's onClicked.
void SelfCheck::tap(QQuickItem* item) {
    QMetaObject::invokeMethod(item, "clicked");
}

// Scrolls the list to the campaign's row; true once the row is on screen.
bool SelfCheck::showCampaign(qint64 campaignId) {
    QQuickItem* list = find(QStringLiteral("tv_camp"));
    auto* model = list
                      ? qobject_cast<QAbstractItemModel*>(list->property("model").value<QObject*>())
                      : nullptr;
    if (!model)
        return false;
    const int role = model->roleNames().key(QByteArrayLiteral("campId"), -1);
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->data(model->index(row, 0), role).toLongLong() != campaignId)
            continue;
        QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, row),
                                  Q_ARG(int, 1 /* ListView.Center */));
        return find(QStringLiteral("camp:%1").arg(campaignId)) != nullptr;
    }
    return false;
}

void SelfCheck::poll() {
    if (m_step == m_steps.size() || !m_window)
        return;
    const Step& step = m_steps.at(m_step);
    if (step.attempt()) {
        std::printf("host: %s: ok\n", step.what);
        std::fflush(stdout);
        m_clock.restart();
        if (++m_step == m_steps.size()) {
            m_poll.stop();
            QGuiApplication::exit(0);
        }
        return;
    }
    if (m_clock.elapsed() > kStepTimeoutMs) {
        std::printf("host: %s: FAILED (not within %d s)\n", step.what, kStepTimeoutMs / 1000);
        std::fflush(stdout);
        m_poll.stop();
        QGuiApplication::exit(1);
    }
}

} // namespace quickhost
