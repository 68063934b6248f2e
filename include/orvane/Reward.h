#pragma once

#include <orvane/orvane_export.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QtGlobal>

namespace orvane {

class RewardData;

// One reward the user received, as Orvane::rewardConfirmed reports it.
//
// Once: the kit reports each transaction id at most once, in this run and in later runs (it
// remembers the last 1,000 ids it reported in its own settings). A reward the kit never saw
// confirmed (a credit the server made after the kit stopped asking, a reply lost with the network)
// is not reported at all.
//
// The signal is for the host's screens: say thank you, refresh the balance shown. Credit the
// user's ledger from the server-to-server call the campaign server sends to the host's server,
// which carries the same transaction id (see docs/rewards.md).
//
// A value type: cheap to copy (implicitly shared), usable across threads and in queued
// connections.
class ORVANE_EXPORT Reward {
    Q_GADGET
    Q_PROPERTY(qint64 campaignId READ campaignId CONSTANT)
    Q_PROPERTY(QString transactionId READ transactionId CONSTANT)
    Q_PROPERTY(int rewardType READ rewardType CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(double amount READ amount CONSTANT)
    Q_PROPERTY(QString mark READ mark CONSTANT)

public:
    // How the reward was granted.
    static constexpr int TYPE_REWARD_CLAIMED = 1;  // the user collected it (a reward key claim)
    static constexpr int TYPE_REWARD_CREDITED = 2; // the server credited it by itself

    Reward();
    Reward(qint64 campaignId, const QString& transactionId, int rewardType, const QString& name,
           double amount, const QString& mark);
    Reward(const Reward& other);
    Reward& operator=(const Reward& other);
    ~Reward();

    // The campaign's id.
    qint64 campaignId() const;
    // The reward key the claim used (claimed), or the key of the state reply that confirmed the
    // credit (credited). Empty only for a credit the server confirmed without a key.
    QString transactionId() const;
    // TYPE_REWARD_CLAIMED or TYPE_REWARD_CREDITED.
    int rewardType() const;
    // The campaign's name, its reward amount and the amount's unit (the host's currency).
    QString name() const;
    double amount() const;
    QString mark() const;

    friend ORVANE_EXPORT bool operator==(const Reward& a, const Reward& b);
    friend bool operator!=(const Reward& a, const Reward& b) { return !(a == b); }

private:
    QSharedDataPointer<RewardData> d;
};

} // namespace orvane

Q_DECLARE_METATYPE(orvane::Reward)
