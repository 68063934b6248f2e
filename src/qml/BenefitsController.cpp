#include "qml/BenefitsController.h"

namespace orvane {

BenefitsController::BenefitsController(QObject* parent)
    : QObject(parent)
    , m_history(new RewardHistoryModel({}, this))
    , m_kind(m_history->kindLabels().first())
    , m_period(m_history->periodLabels().first()) {
    connect(m_history, &RewardHistoryModel::termChanged, this, &BenefitsController::termChanged);
    connect(m_history, &RewardHistoryModel::stateChanged, this, &BenefitsController::stateChanged);
}

void BenefitsController::start() {
    m_history->flowRewardList(m_kind, m_period);
}

void BenefitsController::chooseKind(const QString& label) {
    m_kind = label;
    Q_EMIT choiceChanged();
    m_history->flowRewardList(m_kind, m_period);
}

void BenefitsController::choosePeriod(const QString& label) {
    m_period = label;
    Q_EMIT choiceChanged();
    m_history->flowRewardList(m_kind, m_period);
}

} // namespace orvane
