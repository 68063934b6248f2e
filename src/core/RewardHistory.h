#pragma once

#include <functional>
#include <optional>

#include <QAbstractListModel>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QStringList>

#include "core/Records.h"

namespace orvane {

// "1,200,000 P": a credited amount in the locale's decimal style (grouping, at most three fraction
// digits), one space and the mark. The mark alone without an amount, the amount alone without a
// mark.
QString rewardAmountText(const std::optional<double>& price, const std::optional<QString>& mark,
                         const QLocale& locale = QLocale());

// "20240305" -> "2024-03-05"; anything else is returned unchanged.
QString rewardDisplayDate(const QString& rewarddate);

// The history of rewards credited to the user, for every front-end: the kind and period choices,
// the request of the chosen ones (getReward) and the rows of the reply.
//
// The period start dates are fixed when the model is made (one week, one month and three months
// before "now", days clamped to the month's length); the end of every period is the moment of its
// request. Only the reply to the latest request is applied, so a slow earlier reply never shows
// one period's rewards under another period's title. A refusal or a transport failure marks the
// history failed (the front-ends then show "ov_no_receive_benefits"); a body that does not decode
// is logged and changes nothing but `loading`.
//
// Main thread only. Replies are decoded on the transport thread and applied on the main thread; a
// reply that arrives after the model is gone is dropped.
class RewardHistoryModel final : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(QStringList kindLabels READ kindLabels CONSTANT)
    Q_PROPERTY(QStringList periodLabels READ periodLabels CONSTANT)
    Q_PROPERTY(QString term READ term NOTIFY termChanged)
    Q_PROPERTY(bool loading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool failed READ hasFailed NOTIFY stateChanged)

public:
    using Clock = std::function<QDateTime()>;
    enum Role { NameRole = Qt::UserRole + 1, DateRole, RewardTextRole };

    // `now` gives the current time (construction and every request); the system clock when empty.
    explicit RewardHistoryModel(Clock now = {}, QObject* parent = nullptr);

    // (label, kind code sent as rewardtype) and (label, start date), in display order.
    const QList<QPair<QString, QString>>& benefitsKindlist() const { return m_kinds; }
    const QList<QPair<QString, QDateTime>>& peiriodlist() const { return m_periods; }
    QStringList kindLabels() const;
    QStringList periodLabels() const;

    // The rows on display.
    const QList<RewardItem>& reward() const { return m_reward; }
    // "<ov_term> : 2023-02-26 ~ 2023-03-05", the period of the latest request.
    QString term() const { return m_term; }
    // Whether the latest request waits for its reply.
    bool isLoading() const { return m_loading; }
    // Whether the latest applied reply was a refusal or a transport failure.
    bool hasFailed() const { return m_failed; }

    // Requests the rewards of the kind labelled `kindLabel` over the period labelled
    // `periodLabel` (the first entry of a list when no label matches), up to now.
    Q_INVOKABLE void flowRewardList(const QString& kindLabel, const QString& periodLabel);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void termChanged();
    void stateChanged();

private:
    void apiRewardList(const QString& code, const QString& sStart, const QString& sEnd);
    // Applies the reply to `request` when it is the latest: the rows, or a failure (no rows).
    void apply(quint64 request, const std::optional<QList<RewardItem>>& rewards);
    void finishWithoutChange(quint64 request);
    void setState(bool loading, bool failed);

    Clock m_now;
    QList<QPair<QString, QString>> m_kinds;
    QList<QPair<QString, QDateTime>> m_periods;
    QList<RewardItem> m_reward;
    QString m_term;
    bool m_loading = false;
    bool m_failed = false;
    quint64 m_lastIssued = 0; // number of the latest request; older replies are dropped
};

} // namespace orvane
