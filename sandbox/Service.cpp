#include "sandbox/Service.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>
#include <QUuid>

#include "sandbox/Artwork.h"
#include "sandbox/Postbacks.h"

using namespace Qt::StringLiterals;

namespace orvane::sandbox {

namespace {
qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

Reply methodNotAllowed() {
    return Reply::json({{u"result"_s, 405}, {u"errmsg"_s, u"method not allowed"_s}}, 405);
}
} // namespace

Reply refusal(int code, const QString& message) {
    return Reply::json({{u"result"_s, code}, {u"errmsg"_s, message}});
}

QString newOrvkey() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

QString stateOrvkey(const QString& orvkey) {
    return QUuid::createUuidV5(QUuid(), orvkey).toString(QUuid::Id128);
}

Service::Service(Catalogue catalogue, Store& store)
    : m_catalogue(std::move(catalogue))
    , m_store(store) {
    m_keys.insert({kDemoMkey, kDemoMckey});
}

void Service::setUserRewardType(const QString& userId, std::optional<int> type) {
    if (type) {
        m_userRewardTypes.insert(userId, *type);
    } else {
        m_userRewardTypes.remove(userId);
    }
}

int Service::rewardTypeFor(const QString& userId) const {
    return m_userRewardTypes.value(userId, m_rewardType);
}

QString Service::landingUrl(qint64 campid, const QString& mkey, const QString& userId) const {
    const auto enc = [](const QString& text) {
        return QString::fromUtf8(QUrl::toPercentEncoding(text));
    };
    return QStringLiteral("%1/landing/%2?user=%3&mkey=%4")
        .arg(m_base)
        .arg(campid)
        .arg(enc(userId), enc(mkey));
}

Reply Service::handle(const LoggedRequest& r) {
    static const QRegularExpression landingPath(QStringLiteral("^/landing/(\\d{1,15})$"));
    static const QRegularExpression imagePath(
        QStringLiteral("^/img/(\\d{1,15})/(icon|banner|detail)\\.png$"));

    const QString& path = r.path;
    const bool get = r.method == "GET";
    if (path == QLatin1String("/api/cs")) {
        return r.method == "POST" ? postInquiry(r) : methodNotAllowed();
    }
    using Handler = Reply (Service::*)(const LoggedRequest&);
    static const QHash<QString, Handler> routes = {
        {QStringLiteral("/v1/req"), &Service::req},
        {QStringLiteral("/v1/view"), &Service::view},
        {QStringLiteral("/v1/join"), &Service::join},
        {QStringLiteral("/v1/state"), &Service::state},
        {QStringLiteral("/v1/inst"), &Service::inst},
        {QStringLiteral("/v1/exec"), &Service::exec},
        {QStringLiteral("/v1/reward"), &Service::reward},
        {QStringLiteral("/api/cs/user_camp_list"), &Service::userCampList},
        {QStringLiteral("/api/cs/agree_contents_app"), &Service::agreeContents},
        {QStringLiteral("/api/cs/user_reward_list"), &Service::userRewardList},
    };
    if (const auto it = routes.constFind(path); it != routes.constEnd()) {
        return get ? (this->*it.value())(r) : methodNotAllowed();
    }
    if (path == QLatin1String("/orvane/sdk/notice_contents.json")) {
        return get ? notice() : methodNotAllowed();
    }
    if (const auto match = landingPath.match(path); match.hasMatch()) {
        return get ? landing(r, match.captured(1).toLongLong()) : methodNotAllowed();
    }
    if (const auto match = imagePath.match(path); match.hasMatch()) {
        return get ? image(match.captured(1).toLongLong(), match.captured(2)) : methodNotAllowed();
    }
    return Reply::json({{u"result"_s, 404}, {u"errmsg"_s, u"no such path"_s}}, 404);
}

bool Service::keysKnown(const QString& mkey, const QString& mckey) const {
    return m_keys.contains({mkey, mckey});
}

bool Service::admit(const LoggedRequest& r, bool needsUser, Reply* refused) const {
    const QString mkey = r.queryValue(QStringLiteral("mkey")).value_or(QString());
    const QString mckey = r.queryValue(QStringLiteral("mckey")).value_or(QString());
    if (!keysKnown(mkey, mckey)) {
        *refused = refusal(403, QStringLiteral("unknown mkey or mckey"));
        return false;
    }
    if (needsUser && r.queryValue(QStringLiteral("userid")).value_or(QString()).isEmpty()) {
        *refused = refusal(400, QStringLiteral("userid is required"));
        return false;
    }
    return true;
}

const CampaignEntry* Service::campaignOf(const LoggedRequest& r, Reply* refused) const {
    bool ok = false;
    const qint64 campid =
        r.queryValue(QStringLiteral("campid")).value_or(QString()).toLongLong(&ok);
    const CampaignEntry* entry = ok ? m_catalogue.find(campid) : nullptr;
    if (!entry) {
        *refused = refusal(404, QStringLiteral("no such campaign"));
    }
    return entry;
}

std::optional<Participation> Service::settle(std::optional<Participation> p) {
    if (!p || p->state != kStateStarted || p->completeAt > now()) {
        return p;
    }
    p->state = kStateComplete;
    if (p->autoCredit && !p->rewarded) {
        grant(*p, stateOrvkey(p->orvkey), 2); // saves
    } else {
        m_store.save(*p);
    }
    return p;
}

void Service::grant(Participation& p, const QString& txid, int rewardType) {
    p.rewarded = true;
    RewardRecord record;
    record.txid = txid;
    record.mkey = p.mkey;
    record.userId = p.userId;
    record.campid = p.campid;
    record.rewarddate = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    if (const CampaignEntry* entry = m_catalogue.find(p.campid)) {
        record.name = entry->camp.value(QStringLiteral("name")).toString();
        record.rewardprice = entry->camp.value(QStringLiteral("rewardprice")).toDouble();
        record.rewardmark = entry->camp.value(QStringLiteral("pricemark")).toString();
        record.bm = entry->camp.value(QStringLiteral("bm")).toInt();
    }
    std::optional<PostbackCall> call;
    if (m_postbacks && m_postbacks->enabled()) {
        call = PostbackCall{txid,
                            p.userId,
                            p.campid,
                            record.rewardprice,
                            record.rewardmark,
                            rewardType,
                            PostbackCall::State::Pending,
                            0,
                            now()};
    }
    if (!m_store.grant(p, record, call)) {
        p.rewarded = false;
        return;
    }
    if (call) {
        m_postbacks->queued(txid);
    }
}

QJsonObject Service::rendered(const CampaignEntry& entry) const {
    return Catalogue::render(entry.camp, m_base);
}

// The list honours the user's participations: a rewarded campaign is left out; a complete one that
// waits for its claim is sent with "convflag" 1 and its "orvkey", so the row offers the accumulate
// action. Catalogue campaigns with "convflag" 1 are ready to claim for every user: the first list
// gives the user a complete participation and its key.
Reply Service::req(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    const QString mkey = *r.queryValue(QStringLiteral("mkey"));
    const QString userId = *r.queryValue(QStringLiteral("userid"));
    QJsonArray camps;
    QJsonArray house;
    for (const CampaignEntry& entry : m_catalogue.campaigns()) {
        std::optional<Participation> p = settle(m_store.participation(mkey, userId, entry.campid));
        if (p && p->rewarded) {
            continue;
        }
        if (!p && entry.camp.value(QStringLiteral("convflag")).toInt() == 1) {
            p = Participation{mkey,        userId, entry.campid, QString(), kStateComplete,
                              newOrvkey(), false,  now(),        false,     now()};
            m_store.save(*p);
        }
        QJsonObject camp = rendered(entry);
        if (p && p->state == kStateComplete) {
            camp.insert(QStringLiteral("convflag"), 1);
            camp.insert(QStringLiteral("orvkey"), p->orvkey);
        }
        (entry.house ? house : camps).append(camp);
    }
    return Reply::json({{u"result"_s, 200},
                        {u"errmsg"_s, u""_s},
                        {u"adtype"_s, 1},
                        {u"rewardtype"_s, rewardTypeFor(userId)},
                        {u"pricedecimal"_s, m_catalogue.pricedecimal()},
                        {u"camp"_s, camps},
                        {u"housemd"_s, house}});
}

Reply Service::image(qint64 campid, const QString& kind) {
    if (!m_catalogue.find(campid)) {
        return Reply::json({{u"result"_s, 404}, {u"errmsg"_s, u"no such campaign"_s}}, 404);
    }
    const QString key = QString::number(campid) + QLatin1Char('/') + kind;
    auto it = m_images.find(key);
    if (it == m_images.end()) {
        const ArtworkKind artwork = kind == QLatin1String("icon")     ? ArtworkKind::Icon
                                    : kind == QLatin1String("banner") ? ArtworkKind::Banner
                                                                      : ArtworkKind::Detail;
        it = m_images.insert(key, campaignArtwork(campid, artwork));
    }
    return Reply::png(it.value());
}

} // namespace orvane::sandbox
