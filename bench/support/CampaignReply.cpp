#include "CampaignReply.h"

#include <random>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvane::bench {

namespace {

QJsonObject campaign(int id, std::mt19937& random, const QString& imageBase) {
    const QString images = QStringLiteral("%1/img/%2/").arg(imageBase).arg(id);
    QJsonObject camp{
        {"campid", id},
        {"bm", static_cast<int>(random() % 3) + 1},
        {"bmcheck", id % 2},
        {"name", QStringLiteral("Campaign %1").arg(id)},
        {"engname", QStringLiteral("campaign-%1").arg(id)},
        {"detailpage", id % 2},
        {"package", QStringLiteral("app%1://open").arg(id)},
        {"ctvurl", ""},
        {"ctvwidth", 0},
        {"ctvheight", 0},
        {"iconurl", images + QStringLiteral("icon.png")},
        {"viewurl", images + QStringLiteral("detail.png")},
        {"joindesc", "<p>Install and open the app.</p>"},
        {"rewardcondition", 1},
        {"rewarddesc",
         QStringLiteral("Install and open <b>App %1</b> to earn the reward.").arg(id)},
        {"notice", "One reward per user."},
        {"cta", "Install"},
        {"category", 3},
        {"rewardprice", static_cast<int>(random() % 500) * 10},
        {"pricemark", "P"},
        {"cpsprice", 0},
        {"cpsdcprice", 0},
        {"carrier", ""},
        {"targetagemin", 0},
        {"targetagemax", 0},
        {"gender", 0},
        {"targetpkg", QJsonArray{"com.example.a", "com.example.b"}},
        {"detargetpkg", QJsonArray{}},
        {"convflag", random() % 10 == 0 ? 1 : 0},
        {"orderseq", static_cast<int>(random() % 1000)},
        {"rewarddate", ""},
    };
    if (random() % 2 == 0) {
        camp.insert(QStringLiteral("nativeurl"), images + QStringLiteral("banner.png"));
    }
    return camp;
}

} // namespace

QByteArray campaignListReply(int regular, int house, const QString& imageBase) {
    std::mt19937 random(42);
    QJsonArray camps;
    for (int i = 0; i < regular; ++i) {
        camps.append(campaign(10000 + i, random, imageBase));
    }
    QJsonArray houses;
    for (int i = 0; i < house; ++i) {
        QJsonObject camp = campaign(900000 + i, random, imageBase);
        camp.insert(QStringLiteral("orderseq"), 1 + static_cast<int>(random() % (regular + house)));
        houses.append(camp);
    }
    return QJsonDocument(QJsonObject{{"result", 200},
                                     {"errmsg", ""},
                                     {"adtype", 1},
                                     {"rewardtype", 1},
                                     {"pricedecimal", "0"},
                                     {"camp", camps},
                                     {"housemd", houses}})
        .toJson(QJsonDocument::Compact);
}

} // namespace orvane::bench
