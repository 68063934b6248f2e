#include "core/RewardHistory.h"

#include <QDate>
#include <QPointer>

#include "core/ApiList.h"
#include "core/CampListModel.h"
#include "core/Dispatch.h"
#include "core/Localized.h"
#include "core/Log.h"

using namespace Qt::StringLiterals;

namespace orvane {

namespace {

const QString kRequestDatePattern = QStringLiteral("yyyyMMdd");
const QString kTermDatePattern = QStringLiteral("yyyy-MM-dd");

template <typename Value>
Value valueOf(const QList<QPair<QString, Value>>& list, const QString& label) {
    for (const auto& [entry, value] : list) {
        if (entry == label)
            return value;
    }
    return list.first().second;
}

template <typename Value>
QStringList labelsOf(const QList<QPair<QString, Value>>& list) {
    QStringList labels;
    for (const auto& entry : list)
        labels << entry.first;
    return labels;
}

} // namespace

QString rewardAmountText(const std::optional<double>& price, const std::optional<QString>& mark,
                         const QLocale& locale) {
    if (!price)
        return mark.value_or(QString());
    // The same amount style as the campaigns' rewards and the summary.
    return CampListModel::summaryText(*price, mark.value_or(QString()), locale).trimmed();
}

QString rewardDisplayDate(const QString& rewarddate) {
    const QDate date = QDate::fromString(rewarddate, kRequestDatePattern);
    if (!date.isValid())
        return rewarddate;
    return date.toString(kTermDatePattern);
}

RewardHistoryModel::RewardHistoryModel(Clock now, QObject* parent)
    : QAbstractListModel(parent)
    , m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTime(); })) {
    m_kinds = {
        {localized(u"ov_breakdown_all"_s), u"0"_s},
        {localized(u"ov_participation_benefits"_s), u"1"_s},
        {localized(u"ov_purchase_benefits"_s), u"2"_s},
    };
    // Start dates are fixed now; QDateTime clamps the day to the target month's length.
    const QDateTime created = m_now();
    m_periods = {
        {localized(u"ov_recently_week1"_s), created.addDays(-7)},
        {localized(u"ov_recently_month1"_s), created.addMonths(-1)},
        {localized(u"ov_recently_month3"_s), created.addMonths(-3)},
    };
}

QStringList RewardHistoryModel::kindLabels() const {
    return labelsOf(m_kinds);
}

QStringList RewardHistoryModel::periodLabels() const {
    return labelsOf(m_periods);
}

void RewardHistoryModel::flowRewardList(const QString& kindLabel, const QString& periodLabel) {
    const QDateTime start = valueOf(m_periods, periodLabel);
    const QDateTime now = m_now();
    apiRewardList(valueOf(m_kinds, kindLabel), start.toString(kRequestDatePattern),
                  now.toString(kRequestDatePattern));

    const QString first = start.toString(kTermDatePattern);
    const QString last = now.toString(kTermDatePattern);
    m_term = localized(u"ov_term"_s) + u" : "_s + first + u" ~ "_s + last;
    Q_EMIT termChanged();
    Log::info(u"sStart : "_s + first + u" / sEnd : "_s + last);
}

void RewardHistoryModel::apiRewardList(const QString& code, const QString& sStart,
                                       const QString& sEnd) {
    const quint64 request = ++m_lastIssued;
    setState(true, m_failed);
    QPointer<RewardHistoryModel> self(this);
    ApiList().getReward(code, sStart, sEnd, [self, request](const ApiResult& result) {
        if (!result.ok()) {
            dispatch::toMain([self, request] {
                if (self)
                    self->apply(request, std::nullopt);
            });
            return;
        }
        const Decoded<RewardList> decoded = decode<RewardList>(result.body());
        if (!decoded.ok()) {
            Log::error(decoded.error());
            dispatch::toMain([self, request] {
                if (self)
                    self->finishWithoutChange(request);
            });
            return;
        }
        const RewardList& list = decoded.value();
        std::optional<QList<RewardItem>> rewards;
        if (list.result == 200) {
            // A success without a list has nothing to show: an empty table, as an empty list.
            rewards = list.reward.value_or(QList<RewardItem>());
        } else {
            Log::error(u"OrvaneViewController getReq Error : "_s +
                       optionalDescription(list.result));
        }
        dispatch::toMain([self, request, rewards] {
            if (self)
                self->apply(request, rewards);
        });
    });
    Log::info(u"sStart : "_s + sStart + u" / sEnd : "_s + sEnd);
}

void RewardHistoryModel::apply(quint64 request, const std::optional<QList<RewardItem>>& rewards) {
    if (request != m_lastIssued) {
        Log::info("BenefitsViewController drops the reply of an outdated request");
        return;
    }
    if (rewards) {
        beginResetModel();
        m_reward = *rewards;
        endResetModel();
    }
    setState(false, !rewards);
}

void RewardHistoryModel::finishWithoutChange(quint64 request) {
    if (request == m_lastIssued)
        setState(false, m_failed);
}

void RewardHistoryModel::setState(bool loading, bool failed) {
    if (loading == m_loading && failed == m_failed)
        return;
    m_loading = loading;
    m_failed = failed;
    Q_EMIT stateChanged();
}

int RewardHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_reward.size());
}

QVariant RewardHistoryModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const RewardItem& reward = m_reward.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return reward.name.value_or(QString());
    case DateRole:
        return rewardDisplayDate(reward.rewarddate.value_or(QString()));
    case RewardTextRole:
        return rewardAmountText(reward.rewardprice, reward.rewardmark);
    default:
        return {};
    }
}

QHash<int, QByteArray> RewardHistoryModel::roleNames() const {
    return {{Qt::DisplayRole, "display"},
            {NameRole, "name"},
            {DateRole, "date"},
            {RewardTextRole, "rewardText"}};
}

} // namespace orvane
