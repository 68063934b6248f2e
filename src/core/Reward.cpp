#include "orvane/Reward.h"

namespace orvane {

class RewardData final : public QSharedData {
public:
    qint64 campaignId = 0;
    QString transactionId;
    int rewardType = 0;
    QString name;
    double amount = 0;
    QString mark;
};

Reward::Reward()
    : d(new RewardData) {}

Reward::Reward(qint64 campaignId, const QString& transactionId, int rewardType, const QString& name,
               double amount, const QString& mark)
    : d(new RewardData) {
    d->campaignId = campaignId;
    d->transactionId = transactionId;
    d->rewardType = rewardType;
    d->name = name;
    d->amount = amount;
    d->mark = mark;
}

Reward::Reward(const Reward& other) = default;
Reward& Reward::operator=(const Reward& other) = default;
Reward::~Reward() = default;

qint64 Reward::campaignId() const {
    return d->campaignId;
}

QString Reward::transactionId() const {
    return d->transactionId;
}

int Reward::rewardType() const {
    return d->rewardType;
}

QString Reward::name() const {
    return d->name;
}

double Reward::amount() const {
    return d->amount;
}

QString Reward::mark() const {
    return d->mark;
}

bool operator==(const Reward& a, const Reward& b) {
    return a.d == b.d ||
           (a.d->campaignId == b.d->campaignId && a.d->transactionId == b.d->transactionId &&
            a.d->rewardType == b.d->rewardType && a.d->name == b.d->name &&
            a.d->amount == b.d->amount && a.d->mark == b.d->mark);
}

} // namespace orvane
