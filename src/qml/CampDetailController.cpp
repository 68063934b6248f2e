#include "qml/CampDetailController.h"

#include "core/CampDisplay.h"
#include "core/Log.h"
#include "core/Records.h"
#include "participation/DetailFlow.h"
#include "qml/OfferwallController.h"

namespace orvane {

CampDetailController::CampDetailController(QObject* parent)
    : QObject(parent) {}

CampDetailController::~CampDetailController() = default;

QVariant CampDetailController::campaign() const {
    return m_flow ? QVariant::fromValue(m_flow->camp()) : QVariant();
}

void CampDetailController::setCampaign(const QVariant& campaign) {
    if (m_flow) {
        Log::error("CampDetailController setCampaign: the page shows a campaign already; ignored");
        return;
    }
    if (!campaign.canConvert<Camp>()) {
        Log::error("CampDetailController setCampaign: not a campaign; nothing to show");
        return;
    }
    m_flow = new DetailFlow(campaign.value<Camp>(), "CampDetailController", this);
    connect(m_flow, &DetailFlow::stateChanged, this, &CampDetailController::buttonChanged);
    connect(m_flow, &DetailFlow::noticeArrived, this, [this](const std::optional<QString>& text) {
        m_notice = text.value_or(QString());
        Q_EMIT noticeChanged();
    });
    connect(m_flow, &DetailFlow::finishRequested, this, &CampDetailController::finishRequested);
    Q_EMIT campaignChanged();
    Q_EMIT buttonChanged();
    m_flow->start();
}

qint64 CampDetailController::campId() const {
    return m_flow ? m_flow->camp().campid.value_or(0) : 0;
}

QString CampDetailController::name() const {
    return m_flow ? m_flow->camp().name.value_or(QString()) : QString();
}

QString CampDetailController::description() const {
    return m_flow ? m_flow->camp().rewarddesc.value_or(QString()) : QString();
}

QString CampDetailController::rewardText() const {
    return m_flow ? campRewardText(m_flow->camp()) : QString();
}

QString CampDetailController::instructions() const {
    return m_flow ? m_flow->camp().joindesc.value_or(QString()) : QString();
}

QUrl CampDetailController::pictureUrl() const {
    if (!m_flow)
        return {};
    const Camp& camp = m_flow->camp();
    for (const std::optional<QString>& candidate : {camp.viewurl, camp.nativeurl}) {
        if (const std::optional<QUrl> url = campImageUrl(candidate))
            return *url;
    }
    return {};
}

QUrl CampDetailController::iconUrl() const {
    return m_flow ? campImageUrl(m_flow->camp().iconurl).value_or(QUrl()) : QUrl();
}

CampDetailController::ButtonState CampDetailController::buttonState() const {
    return m_flow ? static_cast<ButtonState>(m_flow->state()) : ButtonState::Loading;
}

QString CampDetailController::buttonTitle() const {
    return m_flow ? m_flow->buttonTitle() : QString();
}

void CampDetailController::tap() {
    if (m_flow)
        m_flow->tap();
}

QString CampDetailController::styledHtml(const QString& html, const QColor& color) {
    return OfferwallController::styledHtml(html, color);
}

QString CampDetailController::descriptionHtml(const QString& html, const QString& rewardText,
                                              const QColor& color, const QColor& accent,
                                              int amountPixelSize) {
    return OfferwallController::descriptionHtml(html, rewardText, color, accent, amountPixelSize);
}

} // namespace orvane
