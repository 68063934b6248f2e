// The partner API ("/api") and the notice file.
#include <QDate>
#include <QJsonArray>

#include "sandbox/Multipart.h"
#include "sandbox/Service.h"

using namespace Qt::StringLiterals;

namespace orvane::sandbox {

namespace {
bool isDate(const QString& text) {
    return text.size() == 8 && QDate::fromString(text, QStringLiteral("yyyyMMdd")).isValid();
}
} // namespace

// The campaigns the user has a participation in (joined, or a reward waiting to be collected), in
// the order they began: what an inquiry can be about.
Reply Service::userCampList(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    QJsonArray camps;
    for (const Participation& p : m_store.participations(*r.queryValue(QStringLiteral("mkey")),
                                                         *r.queryValue(QStringLiteral("userid")))) {
        if (const CampaignEntry* entry = m_catalogue.find(p.campid)) {
            camps.append(rendered(*entry));
        }
    }
    return Reply::json({{u"result"_s, 200}, {u"camp"_s, camps}});
}

Reply Service::agreeContents(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    return Reply::json(
        {{u"result"_s, 200},
         {u"cs_agree_contents"_s,
          u"<p><b>Consent to the collection of personal information</b></p>"
          u"<p>We collect your name, e-mail address and phone number to answer your inquiry, and "
          u"keep them for <b>3 months</b>. You may refuse; we then cannot answer.</p>"_s}});
}

Reply Service::userRewardList(const LoggedRequest& r) {
    Reply refused;
    if (!admit(r, true, &refused)) {
        return refused;
    }
    const QString mkey = *r.queryValue(QStringLiteral("mkey"));
    const QString userId = *r.queryValue(QStringLiteral("userid"));
    const QString sdate = r.queryValue(QStringLiteral("sdate")).value_or(QString());
    const QString edate = r.queryValue(QStringLiteral("edate")).value_or(QString());
    if (!isDate(sdate) || !isDate(edate)) {
        return refusal(400, QStringLiteral("sdate and edate must be dates as yyyyMMdd"));
    }
    std::optional<int> kind;
    if (r.hasQueryItem(QStringLiteral("rewardtype"))) {
        const QString type = r.queryValue(QStringLiteral("rewardtype")).value_or(QString());
        if (type == QLatin1String("1") || type == QLatin1String("2")) {
            kind = type.toInt();
        } else if (type != QLatin1String("0")) {
            return refusal(400, QStringLiteral("rewardtype must be 1 or 2"));
        }
    }
    // Credit what the server pays by itself before listing, so the history is current.
    for (const Participation& p : m_store.participations(mkey, userId)) {
        settle(p);
    }
    QJsonArray list;
    for (const RewardRecord& reward : m_store.rewards(mkey, userId, kind, sdate, edate)) {
        list.append(QJsonObject{{u"campid"_s, reward.campid},
                                {u"name"_s, reward.name},
                                {u"rewardprice"_s, reward.rewardprice},
                                {u"rewardmark"_s, reward.rewardmark},
                                {u"rewarddate"_s, reward.rewarddate},
                                {u"bm"_s, reward.bm}});
    }
    return Reply::json({{u"result"_s, 200}, {u"reward"_s, list}});
}

// POST "/api/cs": the keys and the user id travel in the form, not in the query.
Reply Service::postInquiry(const LoggedRequest& r) {
    QString error;
    const std::optional<QList<FormPart>> parts =
        parseMultipart(r.header("Content-Type"), r.body, &error);
    if (!parts) {
        return refusal(400, QStringLiteral("bad multipart body: ") + error);
    }
    Inquiry inquiry;
    inquiry.received = QDateTime::currentDateTime();
    for (const FormPart& part : *parts) {
        if (part.fileName) {
            inquiry.images.append({*part.fileName, part.contentType, part.data});
        } else {
            inquiry.fields.append({part.name, QString::fromUtf8(part.data)});
        }
    }
    if (!keysKnown(inquiry.field(QStringLiteral("mkey")), inquiry.field(QStringLiteral("mckey")))) {
        return refusal(403, QStringLiteral("unknown mkey or mckey"));
    }
    if (inquiry.field(QStringLiteral("userid")).isEmpty()) {
        return refusal(400, QStringLiteral("userid is required"));
    }
    if (m_store.addInquiry(inquiry) == 0) {
        return refusal(500, QStringLiteral("cannot store the inquiry"));
    }
    return Reply::json({{u"result"_s, 200}});
}

Reply Service::notice() {
    return Reply::json(
        {{u"result"_s, 200},
         {u"text"_s,
          u"<html><body><p><b>Before you take part</b></p><ul>"
          u"<li>Rewards are paid once per campaign and device.</li>"
          u"<li>Install and open apps through this offerwall only; apps installed before do not "
          u"count.</li>"
          u"<li>A reward may take a few minutes to arrive. Use <i>Inquiry</i> if it does not.</li>"
          u"</ul></body></html>"_s}});
}

} // namespace orvane::sandbox
