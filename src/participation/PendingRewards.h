#pragma once

#include <optional>

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <QtGlobal>

namespace orvane {

// What the participation flow holds for the current user on the way to a reward: the reward key
// of each campaign whose reward waits for its claim, the calls in flight (one join, one
// participation check and one claim per campaign at a time), and the campaigns whose reward was
// reported in this session. clear() forgets all of it (log-out); the record of reported
// transaction ids (deliveredRewards) is not part of it. Main thread only.
class PendingRewards final {
public:
    enum class Call { Join, Check, Claim };

    std::optional<QString> key(qint64 campid) const;
    void hold(qint64 campid, const QString& key) { m_keys.insert(campid, key); }
    void release(qint64 campid) { m_keys.remove(campid); }

    // Marks a call for `campid` as in flight; false (and nothing changes) when one already is.
    bool begin(Call call, qint64 campid);
    void end(Call call, qint64 campid) { m_inFlight.remove({int(call), campid}); }

    void markRewarded(qint64 campid) { m_rewarded.insert(campid); }
    bool wasRewarded(qint64 campid) const { return m_rewarded.contains(campid); }

    void clear();

private:
    QHash<qint64, QString> m_keys;
    QSet<QPair<int, qint64>> m_inFlight; // (Call, campid)
    QSet<qint64> m_rewarded;
};

} // namespace orvane
