#pragma once

#include <QString>

// The transaction ids of the rewards already reported to the host (Orvane::rewardConfirmed), kept
// in the kit's settings store, so that a reward is reported once in this run and in later ones.
// Bounded: the last kLimit ids, the oldest dropped first. Kept across log-outs: an id names one
// reward of one user, and forgetting it could only report that reward again. Main thread only.
namespace orvane::deliveredRewards {

constexpr int kLimit = 1000;

// Records `transactionId`; false (and nothing changes) when it was recorded before.
bool remember(const QString& transactionId);

} // namespace orvane::deliveredRewards
