#include "participation/ApiJoin.h"

#include <QCoreApplication>
#include <QThread>
#include <QUrl>

#include "core/AddressRules.h"
#include "core/ApiList.h"
#include "core/Dispatch.h"
#include "core/HostEvents.h"
#include "core/Localized.h"
#include "core/Log.h"
#include "core/NotificationCenter.h"
#include "core/SettingsKeys.h"
#include "core/UserDefaults.h"
#include "core/Util.h"
#include "orvane/PlatformServices.h"
#include "participation/DeliveredRewards.h"

namespace orvane {

namespace {

constexpr int kPollRequests = 5;
constexpr qint64 kStateConfirmed = 3;
constexpr qint64 kRewardTypeCollect = 1;
constexpr qint64 kRewardTypeCredited = 2;
// The claim's result when the participation was rewarded before.
constexpr qint64 kAlreadyRewarded = 409;

QString text(const char* key) {
    return localized(QString::fromLatin1(key));
}

QString campidText(qint64 campid) {
    return QString::number(campid);
}

// Characters a URL fragment may hold unescaped, besides the unreserved ones that
// QByteArray::toPercentEncoding always keeps.
const QByteArray kFragmentAllowed = QByteArrayLiteral("!$&'()*+,/:;=?@");

// Parses an address strictly: spaces, non-ASCII characters and stray "%" make it fail.
std::optional<QUrl> parseUrl(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty()) {
        return std::nullopt;
    }
    return url;
}

} // namespace

ApiJoin& ApiJoin::shared() {
    // Lives for the whole process, like the application it serves.
    static ApiJoin* instance = new ApiJoin();
    return *instance;
}

ApiJoin::ApiJoin()
    : m_timer(std::make_unique<QtPollTimer>()) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        moveToThread(app->thread());
    }
}

void ApiJoin::onMain(quint64 epoch, std::function<void()> work) {
    dispatch::toMain(this, [this, epoch, work = std::move(work)] {
        if (epoch == m_epoch) {
            work();
        }
    });
}

void ApiJoin::setPresenter(std::shared_ptr<JoinPresenter> presenter) {
    m_presenter = std::move(presenter);
}

CampParticipation ApiJoin::participation(qint64 campid) const {
    return {.keyHeld = m_pending.key(campid).has_value(),
            .checkPending = m_partiConfirmList.contains(campid)};
}

void ApiJoin::clearPendingRewards() {
    m_pending.clear();
    Q_EMIT participationChanged();
}

JoinProtocol* ApiJoin::joinProtocol() const {
    return dynamic_cast<JoinProtocol*>(m_listener.data());
}

bool ApiJoin::isPolling() const {
    return m_timer->isActive();
}

void ApiJoin::setPollTimer(std::unique_ptr<PollTimer> timer) {
    m_timer->stop();
    m_timer = timer ? std::move(timer) : std::make_unique<QtPollTimer>();
    m_pollFinished = true;
}

void ApiJoin::dropSession() {
    m_timer->stop();
    m_count = 0;
    m_pollCamp.reset();
    ++m_pollGeneration;
    m_pollFinished = true;
    m_partiConfirmList.clear();
    m_listener = nullptr;
    // Reward keys held and calls in flight belong to the user who leaves; their replies are
    // dropped below, so no in-flight mark could ever be ended.
    m_pending.clear();
    ++m_epoch; // replies of requests sent so far are dropped
    Q_EMIT participationChanged();
}

void ApiJoin::endSession() {
    dropSession();
    UserDefaults::standard().remove(keys::kUserId);
    Log::info("ApiJoin endSession: polls stopped, pending replies dropped, user id forgotten");
}

void ApiJoin::resetForTesting() {
    dropSession();
    m_timer = std::make_unique<QtPollTimer>();
    m_presenter = nullptr;
    m_confirmedPolls.clear();
    m_camps.clear();
}

// --- join -----------------------------------------------------------------------------------

void ApiJoin::startJoin(const Camp& camp, JoinProtocol* listener) {
    const qint64 campid = camp.campid.value_or(-1);
    if (!m_pending.begin(PendingRewards::Call::Join, campid)) {
        Log::debug("ApiJoin ignores a join of campaign", campid, "while one is in flight");
        return;
    }
    if (isPolling()) {
        m_pending.end(PendingRewards::Call::Join, campid);
        alertAlarm(text("ov_participation_waiting"));
        return;
    }
    QObject* listenerObject = dynamic_cast<QObject*>(listener);
    if (listener && !listenerObject) {
        Log::error("ApiJoin startJoin: the listener is not a QObject and is not kept");
    }
    m_listener = listenerObject;
    // The reply of this join goes to this join's listener, whatever joins follow.
    const ListenerRef joinListener = std::make_shared<QPointer<QObject>>(listenerObject);
    remember(camp);

    if (!UserDefaults::standard().boolean(keys::kTrackingUsage)) {
        Log::info("ApiJoin <ios14 || STANDARD_TRACKING_USAGE==false");
        apiJoin(camp, joinListener);
        return;
    }
    // Asked on every join, also when the user has answered before.
    const quint64 epoch = m_epoch;
    QPointer<ApiJoin> self(this);
    PlatformServices::trackingConsent().requestAuthorization(
        [self, camp, joinListener, epoch](int status) {
            if (self) {
                self->afterConsent(camp, joinListener, status, epoch);
            }
        });
}

void ApiJoin::afterConsent(const Camp& camp, const ListenerRef& listener, int status,
                           quint64 epoch) {
    if (epoch != m_epoch) {
        return;
    }
    if (status == TrackingConsent::Authorized) {
        Log::info("ApiJoin authorized :", PlatformServices::deviceInfo()
                                              .advertisingIdentifier()
                                              .toString(QUuid::WithoutBraces)
                                              .toUpper());
        apiJoin(camp, listener);
        return;
    }
    m_pending.end(PendingRewards::Call::Join, camp.campid.value_or(-1));
    // Not determined, restricted, denied (and any unknown answer) block the join.
    Log::info("ApiJoin status :", status);
    presentAlert(text("ov_allow_tracking"),
                 {{text("ov_cancel"), nullptr},
                  {text("ov_confirm"),
                   [] { PlatformServices::trackingConsent().openAppPrivacySettings(); }}});
}

void ApiJoin::apiJoin(const Camp& camp, const ListenerRef& listener) {
    const quint64 epoch = m_epoch;
    ApiList().getJoin(campidText(camp.campid.value_or(-1)), [this, camp, listener,
                                                             epoch](const ApiResult& result) {
        // Transport failures are silent in the participation flow; every outcome ends the
        // join in flight.
        std::optional<Join> reply;
        if (result.ok()) {
            const Decoded<Join> decoded = decode<Join>(result.body());
            if (decoded.ok()) {
                reply = decoded.value();
            } else {
                Log::error(decoded.error());
            }
        }
        onMain(epoch, [this, camp, listener, reply] {
            m_pending.end(PendingRewards::Call::Join, camp.campid.value_or(-1));
            if (reply) {
                handleJoinReply(camp, *reply, dynamic_cast<JoinProtocol*>(listener->data()));
            }
        });
    });
}

void ApiJoin::handleJoinReply(const Camp& camp, const Join& reply, JoinProtocol* listener) {
    const qint64 campid = camp.campid.value_or(-1);
    if (reply.result == 200 && reply.orvkey) {
        Camp claimed = camp;
        claimed.campid = campid; // claimed under the id it joined with
        apiReward(claimed, *reply.orvkey);
        return;
    }
    if (reply.result == 200) {
        openLandingPage(campid, reply.lurl);
        const qint64 bm = camp.bm.value_or(-1);
        if ((bm == 2 || bm == 3) && camp.bmcheck.value_or(0) == 1) {
            stateAPICheck(camp);
            return;
        }
        m_partiConfirmList.append(campid);
        Q_EMIT participationChanged();
        if (listener) {
            listener->onParticipationCheckPossible();
        }
        return;
    }

    Log::error("ApiJoin apiJoin Error :", optionalDescription(reply.result));
    if (!reply.result) {
        alertAlarm(text("ov_not_participation_campaign"));
        return;
    }
    const qint64 code = *reply.result;
    const QString codeText = localized(QStringLiteral("ov_%1").arg(code));
    switch (code) {
    case 401:
    case 407:
    case 410:
    case 500:
    case 501:
    case 502:
        alertAlarmRefreshAction(codeText);
        return;
    case 402:
    case 403:
    case 406:
    case 411:
    case 503:
    case 900:
        alertAlarm(codeText);
        return;
    default:
        alertAlarm(text("ov_not_participation_campaign"));
    }
}

void ApiJoin::openLandingPage(qint64 campid, const std::optional<QString>& lurl) {
    if (!lurl) {
        return;
    }
    std::optional<QUrl> url = parseUrl(*lurl);
    if (!url) {
        url = parseUrl(QString::fromLatin1(lurl->toUtf8().toPercentEncoding(kFragmentAllowed)));
    }
    if (!url) {
        Log::error("ApiJoin cannot open the landing page, not an address:", *lurl);
        return;
    }
    if (!address::isWeb(*url)) {
        Log::warning("ApiJoin refused a landing page of scheme", address::schemeForLog(*url));
        return;
    }
    PlatformServices::urlOpener().open(*url, [campid, address = *url](bool opened) {
        if (!opened) {
            Log::error("ApiJoin the landing page did not open:", address.toString());
            return;
        }
        Q_EMIT HostEvents::shared().participationStarted(campid);
    });
}

// --- participation check --------------------------------------------------------------------

void ApiJoin::flowParticipation(const Camp& camp) {
    const qint64 campid = camp.campid.value_or(-1);
    if (!m_pending.begin(PendingRewards::Call::Check, campid)) {
        Log::debug("ApiJoin ignores a participation check of campaign", campid,
                   "while one is in flight");
        return;
    }
    remember(camp);
    const quint64 epoch = m_epoch;
    ApiList().getExec(campidText(campid), [this, camp, campid, epoch](const ApiResult& result) {
        std::optional<State> reply;
        if (result.ok()) {
            const Decoded<State> decoded = decode<State>(result.body());
            if (decoded.ok()) {
                reply = decoded.value();
            } else {
                Log::error(decoded.error());
            }
        }
        onMain(epoch, [this, camp, campid, reply] {
            m_pending.end(PendingRewards::Call::Check, campid);
            if (!reply) {
                return; // silent, as a failed join
            }
            if (reply->result == 200) {
                presentAlert(text("ov_start_app"),
                             {{text("ov_cancel"), nullptr},
                              {text("ov_confirm"), [this, camp] { launchApp(camp); }}});
                return;
            }
            Log::error("ApiJoin getExec Error :", optionalDescription(reply->result));
            if (reply->result == 501) {
                alertAlarmRefreshAction(text("ov_already_participation_campaign"));
            } else {
                alertAlarm(text("ov_not_participation_campaign"));
            }
        });
    });
}

void ApiJoin::launchApp(const Camp& camp) {
    const std::optional<QUrl> url = parseUrl(camp.package.value_or(QString()));
    if (!url || !address::isLaunchable(*url)) {
        if (url) {
            Log::warning("ApiJoin refused an app launch address of scheme",
                         address::schemeForLog(*url));
        }
        // Nothing to launch: the same outcome as an app that is not installed.
        Log::error("fail opened");
        alertAlarm(text("ov_not_installed"));
        return;
    }
    const quint64 epoch = m_epoch;
    PlatformServices::urlOpener().open(*url, [this, camp, epoch](bool opened) {
        if (epoch != m_epoch) {
            return;
        }
        if (!opened) {
            Log::error("fail opened");
            alertAlarm(text("ov_not_installed"));
            return;
        }
        Log::info("successfuly opened");
        ApiList().getInst(campidText(camp.campid.value_or(-1)));
        stateAPICheck(camp);
        Q_EMIT HostEvents::shared().participationStarted(camp.campid.value_or(-1));
    });
}

// --- polling --------------------------------------------------------------------------------

void ApiJoin::stateAPICheckStop() {
    Log::info("stateAPICheckStop");
    m_timer->stop();
}

void ApiJoin::stateAPICheck(const Camp& camp) {
    stateAPICheckStop();
    Log::info("stateAPICheck");
    m_count = kPollRequests;
    m_pollCamp = camp;
    ++m_pollGeneration;
    m_pollFinished = false;
    m_timer->start([this] { stateAPICheckfunc(); });
    stateAPICheckfunc(); // the first request goes out at once
}

void ApiJoin::stateAPICheckfunc() {
    Log::info("stateAPICheckfunc");
    if (m_count <= 0) {
        stateAPICheckStop();
        return;
    }
    --m_count;
    if (!m_pollCamp) {
        return;
    }
    const Camp camp = *m_pollCamp;
    const quint64 generation = m_pollGeneration;
    const quint64 epoch = m_epoch;
    ApiList().getState(campidText(camp.campid.value_or(-1)),
                       [this, epoch, generation, camp](const ApiResult& result) {
                           if (!result.ok()) {
                               if (result.error().kind == ApiError::Kind::HttpStatus) {
                                   // A passing server error: the next tick asks again.
                                   Log::error("ApiJoin getState", result.error().description());
                                   return;
                               }
                               onMain(epoch, [this, generation, camp] {
                                   handleStateReply(generation, camp, nullptr);
                               });
                               return;
                           }
                           const Decoded<State> decoded = decode<State>(result.body());
                           if (!decoded.ok()) {
                               // The next tick asks again.
                               Log::error(decoded.error());
                               return;
                           }
                           onMain(epoch, [this, generation, camp, reply = decoded.value()] {
                               handleStateReply(generation, camp, &reply);
                           });
                       });
}

void ApiJoin::handleStateReply(quint64 generation, const Camp& camp, const State* reply) {
    const qint64 campid = camp.campid.value_or(-1);
    const bool inForce = generation == m_pollGeneration && !m_pollFinished;
    if (reply && reply->result == 200 && reply->state == kStateConfirmed) {
        if (m_confirmedPolls.contains(generation)) {
            Log::info("ApiJoin ignores a repeated confirmation, campid", campid);
            return;
        }
        m_confirmedPolls.insert(generation);
        deliverConfirmation(camp, reply->orvkey);
        if (inForce) {
            m_pollFinished = true;
            stateAPICheckStop();
        }
        return;
    }
    if (!inForce) {
        Log::info("ApiJoin ignores a state reply of an earlier poll, campid", campid);
        return;
    }
    if (!reply) { // transport failure
        m_pollFinished = true;
        stateAPICheckStop();
        return;
    }
    if (reply->result != 200) {
        Log::error("ApiJoin getReward Error :", optionalDescription(reply->result));
        m_pollFinished = true;
        stateAPICheckStop();
    }
    // Otherwise not confirmed yet; the next tick asks again.
}

// The outcome of a confirmed participation. Touches neither the timer nor the count: the reply
// may belong to a poll that is no longer in force.
void ApiJoin::deliverConfirmation(const Camp& camp, const std::optional<QString>& orvkey) {
    const qint64 campid = camp.campid.value_or(-1);
    const std::optional<qint64> rewardtype = camp.rewardtype;
    m_partiConfirmList.removeOne(campid);
    Q_EMIT participationChanged();
    if (rewardtype == kRewardTypeCredited) {
        // The key of the confirming reply names the credit; without one it cannot be told
        // apart from another, and is reported once per poll only.
        if (!orvkey || orvkey->isEmpty()) {
            Log::error("ApiJoin state 3 of a credited reward without orvkey, campid", campid);
        }
        deliver(Reward(campid, orvkey.value_or(QString()), Reward::TYPE_REWARD_CREDITED,
                       camp.name.value_or(QString()), camp.rewardprice.value_or(0),
                       camp.pricemark.value_or(QString())));
    } else if (rewardtype == kRewardTypeCollect) {
        if (!orvkey || orvkey->isEmpty()) {
            Log::error("ApiJoin state 3 without orvkey, nothing to collect, campid", campid);
        } else if (m_pending.wasRewarded(campid)) {
            Log::info("ApiJoin state 3 of a campaign rewarded in this session, campid", campid);
        } else {
            offerKey(campid, *orvkey);
        }
    }
}

void ApiJoin::offerKey(qint64 campid, const QString& orvkey) {
    m_pending.hold(campid, orvkey);
    Q_EMIT rewardKeyHeld(campid, orvkey);
    Q_EMIT participationChanged();
}

void ApiJoin::releaseKeysCarriedBy(const QList<Camp>& camps) {
    bool released = false;
    for (const Camp& camp : camps) {
        if (camp.campid && camp.orvkey && !camp.orvkey->isEmpty() && heldKey(*camp.campid)) {
            m_pending.release(*camp.campid);
            released = true;
        }
    }
    if (released) {
        Q_EMIT participationChanged();
    }
}

void ApiJoin::deliver(const Reward& reward) {
    m_pending.markRewarded(reward.campaignId());
    const QString id = reward.transactionId();
    if (!id.isEmpty() && !deliveredRewards::remember(id)) {
        Log::info("ApiJoin reward", id, "was reported before; not again");
        return;
    }
    alertAlarmRefreshAction(text("ov_participation_complete"));
    Q_EMIT HostEvents::shared().rewardConfirmed(reward);
}

// --- reward claim ---------------------------------------------------------------------------

void ApiJoin::remember(const Camp& camp) {
    if (camp.campid) {
        m_camps.insert(*camp.campid, camp);
    }
}

void ApiJoin::apiReward(qint64 campid, const QString& orvkey) {
    Camp camp = m_camps.value(campid);
    camp.campid = campid;
    apiReward(camp, orvkey);
}

void ApiJoin::apiReward(const Camp& camp, const QString& orvkey) {
    remember(camp);
    const qint64 campid = camp.campid.value_or(0);
    if (!m_pending.begin(PendingRewards::Call::Claim, campid)) {
        Log::debug("ApiJoin ignores a claim for campaign", campid, "while one is in flight");
        return;
    }
    const quint64 epoch = m_epoch;
    ApiList().getReward(
        campidText(campid), orvkey, [this, epoch, camp, orvkey](const ApiResult& result) {
            std::optional<Join> reply;
            QString failure;
            if (!result.ok()) {
                failure = result.error().description();
            } else if (const Decoded<Join> decoded = decode<Join>(result.body()); decoded.ok()) {
                reply = decoded.value();
            } else {
                failure = decoded.error();
            }
            onMain(epoch, [this, camp, orvkey, reply, failure] {
                handleClaimReply(camp, orvkey, reply, failure);
            });
        });
}

void ApiJoin::handleClaimReply(const Camp& camp, const QString& orvkey,
                               const std::optional<Join>& reply, const QString& failure) {
    const qint64 campid = camp.campid.value_or(0);
    m_pending.end(PendingRewards::Call::Claim, campid);
    const std::optional<qint64> result = reply ? reply->result : std::nullopt;
    if (result == 200 || result == kAlreadyRewarded) {
        m_pending.release(campid);
        Q_EMIT participationChanged();
        if (result == kAlreadyRewarded && m_pending.wasRewarded(campid)) {
            // A stale accumulate action: the reward was reported already. Show the list as it is.
            Log::info("ApiJoin getReward: campaign", campid, "was rewarded already");
            NotificationCenter::defaultCenter().post(kActionListChange);
            return;
        }
        // 409 without a reward seen here: this user's earlier claim was granted but its answer
        // never arrived (the transport may even have resent this very request).
        deliver(Reward(campid, orvkey, Reward::TYPE_REWARD_CLAIMED, camp.name.value_or(QString()),
                       camp.rewardprice.value_or(0), camp.pricemark.value_or(QString())));
        return;
    }
    if (reply) {
        Log::error("ApiJoin getReward Error :", optionalDescription(result));
    } else {
        Log::error("ApiJoin getReward failed:", failure);
    }
    offerKey(campid, orvkey); // kept for the accumulate action
    alertAlarm(text("ov_try_again"));
}

// --- alerts ---------------------------------------------------------------------------------

void ApiJoin::alertAlarm(const QString& message) {
    presentAlert(message, {{text("ov_confirm"), nullptr}});
}

void ApiJoin::alertAlarmRefreshAction(const QString& message) {
    presentAlert(message, {{text("ov_confirm"), [] {
                                NotificationCenter& center = NotificationCenter::defaultCenter();
                                center.post(kActionListChange);
                                center.post(kActionDetailFinish);
                            }}});
}

void ApiJoin::presentAlert(const QString& message, QList<JoinPresenter::Action> actions) {
    if (!m_presenter || !m_presenter->alert(text("ov_alarm"), message, std::move(actions))) {
        Log::info("ApiJoin drops an alert, no screen is registered:", message);
    }
}

} // namespace orvane
