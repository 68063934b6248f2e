#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "sandbox/SandboxTypes.h"

namespace orvane::sandbox {

// Participation states as "/state" reports them.
enum ParticipationState {
    kStateJoined = 1,   // join accepted, nothing done yet
    kStateStarted = 2,  // landing visited or install reported; completes at `completeAt`
    kStateComplete = 3, // confirmed: claimable with the key, or credited (autoCredit)
};

struct Participation {
    QString mkey;
    QString userId;
    qint64 campid = 0;
    QString adid;
    int state = kStateJoined;
    QString orvkey;
    bool autoCredit = false; // the server credits the reward itself on completion
    qint64 completeAt = 0;   // ms since the epoch; 0 while not started
    bool rewarded = false;
    qint64 joinedAt = 0;
};

// The server's state in one SQLite file through Qt SQL. Each store opens its own uniquely named
// connection, so several servers can live in one process. Use on the thread that opened it.
class Store final {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    bool open(const QString& filePath, QString* error);

    std::optional<Participation> participation(const QString& mkey, const QString& userId,
                                               qint64 campid) const;
    // The latest participation in a campaign by the device with that advertising id.
    std::optional<Participation> participationByAdid(const QString& mkey, const QString& adid,
                                                     qint64 campid) const;
    // In the order they were first stored.
    QList<Participation> participations(const QString& mkey, const QString& userId) const;
    bool save(const Participation& participation);

    bool addReward(const RewardRecord& reward);
    // Saves the rewarded participation, its history entry and (when given) its server-to-server
    // call in one transaction: all of them or none.
    bool grant(const Participation& participation, const RewardRecord& reward,
               const std::optional<PostbackCall>& call);
    // Rewards of one user, newest first. `kind` 1: participation (bm not 4), 2: purchase (bm 4);
    // absent: all. Dates are "yyyyMMdd", both ends included.
    QList<RewardRecord> rewards(const QString& mkey, const QString& userId, std::optional<int> kind,
                                const QString& sdate, const QString& edate) const;

    // Server-to-server calls, in the order they were granted, and their attempts in order.
    bool savePostback(const PostbackCall& call);
    // Adds the attempt and saves the call as it stands after it, in one transaction.
    bool recordPostbackAttempt(const PostbackCall& call, const PostbackAttempt& attempt);
    std::optional<PostbackCall> postback(const QString& txid) const;
    QList<PostbackCall> postbacks() const;
    QList<PostbackAttempt> postbackAttempts() const;

    qint64 addInquiry(const Inquiry& inquiry);
    QList<Inquiry> inquiries() const;

private:
    QString m_connection;
};

} // namespace orvane::sandbox
