#pragma once

#include <optional>

#include <QJsonObject>
#include <QList>
#include <QString>

namespace orvane::sandbox {

// How a campaign answers a join.
enum class JoinFlow {
    Landing, // "lurl" to the sandbox landing page; the visit completes it after the delay
    Instant, // "orvkey" at once: the reward is claimable right away
    App,     // "lurl" to the landing page (the store page); "/inst" completes it after the delay
};

struct CampaignEntry {
    qint64 campid = 0;
    bool house = false; // from the "housemd" list
    JoinFlow flow = JoinFlow::Landing;
    QJsonObject camp; // the wire fields; strings may hold "{base}" for the server's own address
};

// The campaigns the server offers. JSON form:
//   {"pricedecimal": "0", "camp": [ {...}, ... ], "housemd": [ {...}, ... ]}
// Each campaign is a wire campaign object with an integer "campid" (unique over both lists) and an
// optional "sandbox" object {"flow": "landing" | "instant" | "app"} that stays on the server. The
// flow defaults to "app" when the campaign has a "package" and to "landing" otherwise.
class Catalogue final {
public:
    static Catalogue builtIn();
    static std::optional<Catalogue> fromJson(const QJsonObject& json, QString* error);
    static std::optional<Catalogue> fromFile(const QString& path, QString* error);

    const QList<CampaignEntry>& campaigns() const { return m_campaigns; }
    const CampaignEntry* find(qint64 campid) const;
    QString pricedecimal() const { return m_pricedecimal; }
    const QJsonObject& source() const { return m_source; }

    // The campaign as sent to a client: "{base}" in every string becomes `base`.
    static QJsonObject render(const QJsonObject& camp, const QString& base);

private:
    QList<CampaignEntry> m_campaigns;
    QString m_pricedecimal;
    QJsonObject m_source;
};

} // namespace orvane::sandbox
