#pragma once

#include <QObject>
#include <QString>

#include "orvane/Reward.h"

namespace orvane {

// What happened that the host may want to hear of, emitted by the parts of the kit where it
// happens and passed on by the facade's signals (Orvane::offerwallShown and the others, which
// document each one). Keeps the participation flow and the screens independent of the facade.
//
// Main thread only: emit after the kit's own reaction (alert, notification), never instead of it.
// Lives for the whole process.
class HostEvents final : public QObject {
    Q_OBJECT
public:
    // Why a shown offerwall could not show campaigns (Orvane::Failure, value for value).
    enum class Failure { NotConfigured, ListLoadFailed, NoCampaigns };
    Q_ENUM(Failure)

    static HostEvents& shared();

Q_SIGNALS:
    void offerwallShown();
    void offerwallClosed();
    void participationStarted(qint64 campid);
    void rewardConfirmed(const orvane::Reward& reward);
    void inquirySent();
    void offerwallFailed(orvane::HostEvents::Failure failure);
    void campaignsAvailable(int count);
    void closeRequested();

private:
    HostEvents() = default;
};

} // namespace orvane
