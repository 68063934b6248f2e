#pragma once

#include <orvane/orvane_export.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QtGlobal>

namespace orvane {

class RewardData;

/// @brief One reward the user received, as Orvane::rewardConfirmed() reports it.
///
/// Once: the kit reports each transaction id at most once, in this run and in later runs (it
/// remembers the last 1,000 ids it reported in its own settings). A reward the kit never saw
/// confirmed (a credit the server made after the kit stopped asking, a reply lost with the network)
/// is not reported at all.
///
/// The signal is for the host's screens: say thank you, refresh the balance shown. Credit the
/// user's ledger from the server-to-server call the campaign server sends to the host's server,
/// which carries the same transaction id (see docs/rewards.md).
///
/// A value type: cheap to copy (implicitly shared), usable across threads and in queued
/// connections.
class ORVANE_EXPORT Reward {
    Q_GADGET
    /// The campaign's id; see campaignId().
    Q_PROPERTY(qint64 campaignId READ campaignId CONSTANT)
    /// The id to de-duplicate on; see transactionId().
    Q_PROPERTY(QString transactionId READ transactionId CONSTANT)
    /// How the reward was granted; see rewardType().
    Q_PROPERTY(int rewardType READ rewardType CONSTANT)
    /// The campaign's name; see name().
    Q_PROPERTY(QString name READ name CONSTANT)
    /// The reward amount; see amount().
    Q_PROPERTY(double amount READ amount CONSTANT)
    /// The amount's unit; see mark().
    Q_PROPERTY(QString mark READ mark CONSTANT)

public:
    /// The user collected the reward (a reward key claim).
    static constexpr int TYPE_REWARD_CLAIMED = 1;
    /// The server credited the reward by itself.
    static constexpr int TYPE_REWARD_CREDITED = 2;

    /// An empty reward: campaign id 0, no transaction id, reward type 0.
    Reward();
    /// A reward with every field given.
    /// @param campaignId the campaign's id
    /// @param transactionId the id to de-duplicate on; see transactionId()
    /// @param rewardType TYPE_REWARD_CLAIMED or TYPE_REWARD_CREDITED
    /// @param name the campaign's name
    /// @param amount the reward amount
    /// @param mark the amount's unit
    Reward(qint64 campaignId, const QString& transactionId, int rewardType, const QString& name,
           double amount, const QString& mark);
    /// Copies @p other (shares its data).
    /// @param other the reward to copy
    Reward(const Reward& other);
    /// Assigns @p other (shares its data).
    /// @param other the reward to copy
    /// @return this reward
    Reward& operator=(const Reward& other);
    ~Reward();

    /// @return the campaign's id
    qint64 campaignId() const;
    /// @return the reward key the claim used (claimed), or the key of the state reply that
    /// confirmed the credit (credited); empty only for a credit the server confirmed without a key
    QString transactionId() const;
    /// @return TYPE_REWARD_CLAIMED or TYPE_REWARD_CREDITED
    int rewardType() const;
    /// @return the campaign's name
    QString name() const;
    /// @return the reward amount, in the host's currency
    double amount() const;
    /// @return the amount's unit (the host's currency)
    QString mark() const;

    /// Field-by-field equality.
    /// @param a one reward
    /// @param b the other reward
    /// @return whether every field is equal
    friend ORVANE_EXPORT bool operator==(const Reward& a, const Reward& b);
    /// Field-by-field inequality.
    /// @param a one reward
    /// @param b the other reward
    /// @return whether any field differs
    friend bool operator!=(const Reward& a, const Reward& b) { return !(a == b); }

private:
    QSharedDataPointer<RewardData> d;
};

} // namespace orvane

Q_DECLARE_METATYPE(orvane::Reward)
