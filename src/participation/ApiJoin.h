#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include "core/CampListModel.h"
#include "core/Records.h"
#include "orvane/Reward.h"
#include "participation/JoinPresenter.h"
#include "participation/JoinProtocol.h"
#include "participation/PendingRewards.h"
#include "participation/PollTimer.h"

namespace orvane {

// The participation coordinator: takes a user from a campaign's action button to the reward.
// startJoin passes the tracking-consent gate, joins, opens the landing page and then claims the
// reward at once, polls the participation state, or records the campaign for a later
// participation check (flowParticipation: execute report, app launch, install report, poll).
// Every outcome the user sees is an alert through the registered presenter (JoinPresenter, which
// each front-end implements); outcomes that change the list post
// "action_list_change" and then "action_detail_finish" when the user confirms them.
//
// Thread: main thread only. Server replies are decoded on the transport thread and acted on on the
// main thread, so every field here changes on the main thread.
//
// Addresses from the server are opened with care: a landing page only with http or https, an app
// launch address only with a scheme other than "file", "data" and "javascript" (address::). A
// refused one is logged at warning level with its scheme only and goes the way of an address that
// cannot be opened: no landing page (the flow goes on), or the "ov_not_installed" alert.
//
// Lifetimes: the listener is held weakly, and a presenter holds its screen weakly; once destroyed
// they read as "none" (the listener call is skipped, alerts are dropped with a log line, as without
// a presenter).
//
// One at a time: while a campaign's join, participation check or claim is in flight, another
// call of the same kind for it is ignored (logged at debug level), so a double click is one tap.
//
// Polling: one poll at a time, at most five state requests, the first at once, then one per timer
// interval (1 s). A state reply with an HTTP error status leaves the poll running (the next tick
// asks again); a transport failure or a result other than 200 ends it. A reply that belongs to a
// poll that was replaced by a newer one, or that already reached its outcome, can neither stop nor
// change the poll in force; but a reply that confirms its campaign still delivers that campaign's
// outcome (once per poll), so a reward is never lost to a poll that moved on.
//
// Reward keys are kept by campaign: a confirmed key (reward type 1) is held until a claim with it
// succeeds or a list reply carries the campaign's key, and offered to every screen bound to that
// campaign (rewardKeyHeld, and heldKey() for a screen bound later). A failed claim keeps its key
// and asks the user to try again. Each reward is reported to the host once per transaction id,
// also across runs (HostEvents::rewardConfirmed, see deliveredRewards).
class ApiJoin final : public QObject {
    Q_OBJECT

public:
    static ApiJoin& shared();

    // Joins `camp`. Refused with the "ov_participation_waiting" alert while a poll runs (nothing is
    // sent and the stored listener stays). Otherwise `listener` (may be null; must be a QObject as
    // well, see JoinProtocol) replaces the stored one.
    void startJoin(const Camp& camp, JoinProtocol* listener = nullptr);
    // The participation check of an app campaign: execute report, start-app alert, app launch by
    // the campaign's `package` address, install report, poll.
    void flowParticipation(const Camp& camp);
    // Claims a reward with the key of a join, state or list reply. A claim the server answers 200,
    // or 409 (already rewarded: an earlier claim whose answer was lost), is reported to the host
    // with the key as transaction id and the campaign's name and reward; the campid form takes
    // them from the last campaign of that id this coordinator handled. Any other outcome
    // (transport failure, HTTP error, another result) shows "ov_try_again" and keeps the key.
    void apiReward(const Camp& camp, const QString& orvkey);
    void apiReward(qint64 campid, const QString& orvkey);

    // The reward key held for `campid`, waiting for its claim.
    std::optional<QString> heldKey(qint64 campid) const { return m_pending.key(campid); }
    // What the flow knows of `campid`: a key held, a participation check waiting. A list model
    // reads it (CampListModel::setParticipationSource) and listens to participationChanged.
    CampParticipation participation(qint64 campid) const;
    // A list reply that carries a campaign's key takes over the key held for it.
    void releaseKeysCarriedBy(const QList<Camp>& camps);
    // Forgets what is held for the current user: reward keys, calls in flight and the campaigns
    // rewarded in this session (log-out). The transaction ids already reported stay remembered.
    void clearPendingRewards();

    // Ids of joined campaigns that wait for their participation check (duplicates possible).
    QList<qint64> getPartiConfirmList() const { return m_partiConfirmList; }

    // The presenter of every alert: the front-end's screen that appeared last registers its own.
    // Null for none: alerts are dropped with a log line.
    void setPresenter(std::shared_ptr<JoinPresenter> presenter);
    JoinPresenter* presenter() const { return m_presenter.get(); }
    // The listener of the last accepted join, or null when none was given or it is gone.
    JoinProtocol* joinProtocol() const;

    // True while a poll runs; count() is the number of state requests it may still send.
    bool isPolling() const;
    int count() const { return m_count; }

    // Replaces the poll timer (tests install a ManualPollTimer). Stops a running poll.
    void setPollTimer(std::unique_ptr<PollTimer> timer);
    PollTimer& pollTimer() { return *m_timer; }

    // Ends the current user's session (log-out): stops the poll, makes the replies of every request
    // sent so far (polls, claims, joins, the consent prompt's answer) ignored, empties the
    // participation-check list, drops the listener, the reward keys held and the calls in flight,
    // and forgets the user id (keys::kUserId). Rewards already reported stay remembered (their
    // transaction ids), so none is reported twice. The presenter stays.
    void endSession();

    // Puts the coordinator back to its first state between tests (and a test's "restart" of the
    // kit): no poll, no listener, no presenter, an empty list, nothing pending, the default timer.
    // Replies of requests sent before are ignored; the settings store is left as it is.
    void resetForTesting();

Q_SIGNALS:
    // A reward key is held for `campid`: screens bound to that campaign offer the accumulate
    // action with it (JoinProtocol::onAccumulationPossible); others ignore it.
    void rewardKeyHeld(qint64 campid, const QString& orvkey);
    // What participation() answers may have changed, for one campaign or for all.
    void participationChanged();

private:
    ApiJoin();

    void dropSession(); // what endSession() and resetForTesting() share

    // The listener of one join, read on the main thread only.
    using ListenerRef = std::shared_ptr<QPointer<QObject>>;

    void afterConsent(const Camp& camp, const ListenerRef& listener, int status, quint64 epoch);
    void apiJoin(const Camp& camp, const ListenerRef& listener);
    void handleJoinReply(const Camp& camp, const Join& reply, JoinProtocol* listener);
    void openLandingPage(qint64 campid, const std::optional<QString>& lurl);
    void launchApp(const Camp& camp);

    void stateAPICheck(const Camp& camp);
    void stateAPICheckStop();
    void stateAPICheckfunc();
    // `reply` is null for a transport failure.
    void handleStateReply(quint64 generation, const Camp& camp, const State* reply);
    void deliverConfirmation(const Camp& camp, const std::optional<QString>& orvkey);
    void remember(const Camp& camp);
    // `reply` is absent when the claim failed on the way (`failure` says how).
    void handleClaimReply(const Camp& camp, const QString& orvkey, const std::optional<Join>& reply,
                          const QString& failure);
    // Holds `orvkey` for `campid` and offers it to the screens.
    void offerKey(qint64 campid, const QString& orvkey);
    // Tells the user and the host of a reward, unless its transaction id was reported before.
    void deliver(const Reward& reward);

    void alertAlarm(const QString& message);
    void alertAlarmRefreshAction(const QString& message);
    void presentAlert(const QString& message, QList<JoinPresenter::Action> actions);

    // Runs `work` on the main thread unless the coordinator was reset since `epoch` was read (on
    // the main thread, when the request was sent).
    void onMain(quint64 epoch, std::function<void()> work);

    QList<qint64> m_partiConfirmList;
    QPointer<QObject> m_listener;
    std::shared_ptr<JoinPresenter> m_presenter;
    std::unique_ptr<PollTimer> m_timer;
    int m_count = 0;

    // The campaign of the poll in force, its number, and whether it already reached an outcome.
    std::optional<Camp> m_pollCamp;
    quint64 m_pollGeneration = 0;
    bool m_pollFinished = true;
    // Polls whose confirmation was delivered: later confirmations of the same poll are dropped.
    // One entry per confirmed participation, so it stays small.
    QSet<quint64> m_confirmedPolls;
    // Campaigns handled here by id, so that a claim by id can name its reward to the host.
    QHash<qint64, Camp> m_camps;
    PendingRewards m_pending;

    // Bumped by endSession and resetForTesting so that replies of earlier requests are dropped.
    quint64 m_epoch = 0;
};

} // namespace orvane
