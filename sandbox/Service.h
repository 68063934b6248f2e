#pragma once

#include <optional>

#include <QHash>
#include <QSet>

#include "sandbox/Catalogue.h"
#include "sandbox/HttpWire.h"
#include "sandbox/Store.h"

namespace orvane::sandbox {

class Postbacks;

// The server's behaviour without the network: turns one logged request into one reply, reading
// and changing the store. Lives on the server's thread.
class Service final {
public:
    Service(Catalogue catalogue, Store& store);

    Reply handle(const LoggedRequest& request);

    void setBaseUrl(const QString& base) { m_base = base; }
    void setCatalogue(Catalogue catalogue) { m_catalogue = std::move(catalogue); }
    const Catalogue& catalogue() const { return m_catalogue; }
    void addKeys(const QString& mkey, const QString& mckey) { m_keys.insert({mkey, mckey}); }
    void setCompletionDelay(int ms) { m_completionDelayMs = qMax(0, ms); }
    int completionDelay() const { return m_completionDelayMs; }
    void setRewardType(int type) { m_rewardType = type; }
    void setUserRewardType(const QString& userId, std::optional<int> type);
    int rewardTypeFor(const QString& userId) const;
    // Where granted rewards are reported to the host's server; none: not reported.
    void setPostbacks(Postbacks* postbacks) { m_postbacks = postbacks; }

    QString landingUrl(qint64 campid, const QString& mkey, const QString& userId) const;

private:
    // Campaign API ("/v1").
    Reply req(const LoggedRequest& r);
    Reply view(const LoggedRequest& r);
    Reply join(const LoggedRequest& r);
    Reply state(const LoggedRequest& r);
    Reply inst(const LoggedRequest& r);
    Reply exec(const LoggedRequest& r);
    Reply reward(const LoggedRequest& r);
    Reply landing(const LoggedRequest& r, qint64 campid);
    // Partner API ("/api") and the notice file.
    Reply userCampList(const LoggedRequest& r);
    Reply agreeContents(const LoggedRequest& r);
    Reply userRewardList(const LoggedRequest& r);
    Reply postInquiry(const LoggedRequest& r);
    Reply notice();
    Reply image(qint64 campid, const QString& kind);

    // Checks "mkey"/"mckey" (and "userid" when asked); fills the reply to send when they fail.
    bool admit(const LoggedRequest& r, bool needsUser, Reply* refusal) const;
    bool keysKnown(const QString& mkey, const QString& mckey) const;
    // Reads the "campid" field into a catalogue entry; fills the refusal when it fails.
    const CampaignEntry* campaignOf(const LoggedRequest& r, Reply* refusal) const;
    // Both checks at once: known keys with a user id, and the campaign the request names.
    const CampaignEntry* admittedCampaign(const LoggedRequest& r, Reply* refusal) const;
    // The settled participation of the request's user in `entry`, if any.
    std::optional<Participation> participationOf(const LoggedRequest& r,
                                                 const CampaignEntry& entry);
    // Moves a started participation whose delay has passed to complete (crediting it when the
    // server credits that participation itself) and returns it as it now stands.
    std::optional<Participation> settle(std::optional<Participation> participation);
    // Rewards `participation` once, under the transaction id `txid`: the key of the claim (reward
    // type 1) or the key the state reply carries (type 2, credited by the server). The history
    // entry and the server-to-server call are stored with it in one transaction.
    void grant(Participation& participation, const QString& txid, int rewardType);
    QJsonObject rendered(const CampaignEntry& entry) const;

    Catalogue m_catalogue;
    Store& m_store;
    QString m_base;
    QSet<QPair<QString, QString>> m_keys;
    int m_completionDelayMs = 1000;
    int m_rewardType = 1;
    QHash<QString, int> m_userRewardTypes;
    QHash<QString, QByteArray> m_images;
    Postbacks* m_postbacks = nullptr;
};

// {"result": code, "errmsg": message}, HTTP 200: the protocol's way of refusing.
Reply refusal(int code, const QString& message);
QString newOrvkey();
// The key a "/state" reply carries for a participation whose join (and list) key is `orvkey`: a
// key of its own, derived from that one, so a claim shows which reply its key came from. "/reward"
// accepts either.
QString stateOrvkey(const QString& orvkey);

} // namespace orvane::sandbox
