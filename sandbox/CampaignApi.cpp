// The campaign API ("/v1") and the landing pages: one participation per (mkey, userid, campid),
// moving joined -> started -> complete, and rewarded once.
#include <QDateTime>
#include <QJsonArray>

#include "sandbox/Service.h"

using namespace Qt::StringLiterals;

namespace orvane::sandbox {

namespace {
qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}
} // namespace

Reply Service::view(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    const CampaignEntry* entry = campaignOf(r, &refused);
    if (!entry) {
        return refused;
    }
    QString text = entry->camp.value(QStringLiteral("notice")).toString();
    if (text.isEmpty()) {
        text = QStringLiteral("<p>Rewards are credited within a few minutes of completion.</p>");
    }
    return Reply::json({{u"result"_s, 200}, {u"text"_s, text}});
}

Reply Service::join(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    const CampaignEntry* entry = campaignOf(r, &refused);
    if (!entry) {
        return refused;
    }
    const QString mkey = *r.queryValue(QStringLiteral("mkey"));
    const QString userId = *r.queryValue(QStringLiteral("userid"));
    std::optional<Participation> p = settle(m_store.participation(mkey, userId, entry->campid));
    if (p && p->rewarded) {
        return refusal(500, QStringLiteral("already took part"));
    }
    if (!p) {
        p = Participation{};
        p->mkey = mkey;
        p->userId = userId;
        p->campid = entry->campid;
        p->adid = r.queryValue(QStringLiteral("adid")).value_or(QString());
        p->orvkey = newOrvkey();
        p->joinedAt = now();
        p->state = entry->flow == JoinFlow::Instant ? kStateComplete : kStateJoined;
        // Instant rewards are always claimed with the key; the others are credited by the server
        // itself when the user's list says so (reward type 2).
        p->autoCredit = entry->flow != JoinFlow::Instant && rewardTypeFor(userId) == 2;
        if (!m_store.save(*p)) {
            return refusal(500, QStringLiteral("cannot store the participation"));
        }
    }
    // Joining again answers as the first join did, so a lost reply can be retried.
    if (p->state == kStateComplete) {
        return Reply::json({{u"result"_s, 200}, {u"orvkey"_s, p->orvkey}});
    }
    return Reply::json({{u"result"_s, 200}, {u"lurl"_s, landingUrl(entry->campid, mkey, userId)}});
}

const CampaignEntry* Service::admittedCampaign(const LoggedRequest& r, Reply* refusal) const {
    return admit(r, true, refusal) ? campaignOf(r, refusal) : nullptr;
}

std::optional<Participation> Service::participationOf(const LoggedRequest& r,
                                                      const CampaignEntry& entry) {
    return settle(m_store.participation(*r.queryValue(QStringLiteral("mkey")),
                                        *r.queryValue(QStringLiteral("userid")), entry.campid));
}

Reply Service::state(const LoggedRequest& r) {
    Reply refused;
    const CampaignEntry* entry = admittedCampaign(r, &refused);
    if (!entry) {
        return refused;
    }
    const std::optional<Participation> p = participationOf(r, *entry);
    if (!p) {
        return Reply::json({{u"result"_s, 200}, {u"state"_s, 0}});
    }
    QJsonObject reply{{u"result"_s, 200}, {u"state"_s, p->state}};
    if (p->state == kStateComplete) {
        reply.insert(QStringLiteral("orvkey"), stateOrvkey(p->orvkey));
    }
    return Reply::json(reply);
}

Reply Service::inst(const LoggedRequest& r) {
    Reply refused;
    const CampaignEntry* entry = admittedCampaign(r, &refused);
    if (!entry) {
        return refused;
    }
    std::optional<Participation> p = participationOf(r, *entry);
    if (!p) {
        return refusal(404, QStringLiteral("not joined"));
    }
    if (entry->flow != JoinFlow::App) {
        return refusal(406, QStringLiteral("not an app campaign"));
    }
    if (p->state == kStateJoined) {
        p->state = kStateStarted;
        p->completeAt = now() + m_completionDelayMs;
        m_store.save(*p);
    }
    return Reply::json({{u"result"_s, 200}});
}

// "/exec" carries no user id: the device's advertising id finds the participation.
Reply Service::exec(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, false, &refused)) {
        return refused;
    }
    const CampaignEntry* entry = campaignOf(r, &refused);
    if (!entry) {
        return refused;
    }
    const QString adid = r.queryValue(QStringLiteral("adid")).value_or(QString());
    const std::optional<Participation> p = settle(
        m_store.participationByAdid(*r.queryValue(QStringLiteral("mkey")), adid, entry->campid));
    if (!p) {
        return refusal(404, QStringLiteral("not joined"));
    }
    if (p->rewarded) {
        return refusal(501, QStringLiteral("already rewarded"));
    }
    if (entry->flow != JoinFlow::App) {
        return refusal(406, QStringLiteral("not an app campaign"));
    }
    return Reply::json({{u"result"_s, 200}, {u"state"_s, p->state}});
}

Reply Service::reward(const LoggedRequest& r) {
    Reply refused;
    const CampaignEntry* entry = admittedCampaign(r, &refused);
    if (!entry) {
        return refused;
    }
    std::optional<Participation> p = participationOf(r, *entry);
    if (!p) {
        return refusal(404, QStringLiteral("not joined"));
    }
    if (p->rewarded) {
        return refusal(409, QStringLiteral("already rewarded"));
    }
    if (p->state != kStateComplete) {
        return refusal(406, QStringLiteral("participation not confirmed yet"));
    }
    const QString key = r.queryValue(QStringLiteral("orvkey")).value_or(QString());
    if (key != p->orvkey && key != stateOrvkey(p->orvkey)) {
        return refusal(403, QStringLiteral("wrong orvkey"));
    }
    grant(*p, key, 1);
    if (!p->rewarded) {
        return refusal(500, QStringLiteral("cannot store the reward"));
    }
    return Reply::json({{u"result"_s, 200}});
}

// The page a join's "lurl" opens. For landing campaigns the visit starts the participation, which
// completes after the completion delay; for app campaigns it stands for the store page.
Reply Service::landing(const LoggedRequest& r, qint64 campid) {
    const CampaignEntry* entry = m_catalogue.find(campid);
    if (!entry) {
        return Reply::html(QStringLiteral("<html><body><h1>No such campaign</h1></body></html>"),
                           404);
    }
    const QString userId = r.queryValue(QStringLiteral("user")).value_or(QString());
    const QString mkey = r.queryValue(QStringLiteral("mkey")).value_or(kDemoMkey);
    std::optional<Participation> p = settle(m_store.participation(mkey, userId, campid));
    QString message;
    if (!p) {
        message = QStringLiteral("You have not joined this campaign yet.");
    } else if (p->rewarded) {
        message = QStringLiteral("This reward has already been paid.");
    } else if (entry->flow == JoinFlow::App) {
        message = QStringLiteral("Install the app, then come back and check your participation.");
    } else if (p->state == kStateJoined) {
        p->state = kStateStarted;
        p->completeAt = now() + m_completionDelayMs;
        m_store.save(*p);
        message = QStringLiteral("Thanks! Your participation is being confirmed.");
    } else {
        message = QStringLiteral("Your participation is recorded.");
    }
    const QJsonObject camp = rendered(*entry);
    return Reply::html(
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                       "</head><body><img src=\"%2\" alt=\"\"><h1>%1</h1><p id=\"status\">%3</p>"
                       "<div>%4</div></body></html>")
            .arg(escaped(camp.value(QStringLiteral("name")).toString()),
                 escaped(camp.value(QStringLiteral("nativeurl")).toString()), escaped(message),
                 camp.value(QStringLiteral("joindesc")).toString()));
}

} // namespace orvane::sandbox
