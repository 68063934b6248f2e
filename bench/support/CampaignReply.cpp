#include "CampaignReply.h"

#include <random>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace orvane::bench {

namespace {

QJsonObject campaign(int id, std::mt19937& random, const QString& imageBase) {
    const QString images = QStringLiteral("%1/img/%2/").arg(imageBase).arg(id);
    QJsonObject camp{
        {u"campid"_s, id},
        {u"bm"_s, static_cast<int>(random() % 3) + 1},
        {u"bmcheck"_s, id % 2},
        {u"name"_s, QStringLiteral("Campaign %1").arg(id)},
        {u"engname"_s, QStringLiteral("campaign-%1").arg(id)},
        {u"detailpage"_s, id % 2},
        {u"package"_s, QStringLiteral("app%1://open").arg(id)},
        {u"ctvurl"_s, u""_s},
        {u"ctvwidth"_s, 0},
        {u"ctvheight"_s, 0},
        {u"iconurl"_s, QString(images + QStringLiteral("icon.png"))},
        {u"viewurl"_s, QString(images + QStringLiteral("detail.png"))},
        {u"joindesc"_s, u"<p>Install and open the app.</p>"_s},
        {u"rewardcondition"_s, 1},
        {u"rewarddesc"_s,
         QStringLiteral("Install and open <b>App %1</b> to earn the reward.").arg(id)},
        {u"notice"_s, u"One reward per user."_s},
        {u"cta"_s, u"Install"_s},
        {u"category"_s, 3},
        {u"rewardprice"_s, static_cast<int>(random() % 500) * 10},
        {u"pricemark"_s, u"P"_s},
        {u"cpsprice"_s, 0},
        {u"cpsdcprice"_s, 0},
        {u"carrier"_s, u""_s},
        {u"targetagemin"_s, 0},
        {u"targetagemax"_s, 0},
        {u"gender"_s, 0},
        {u"targetpkg"_s, QJsonArray{u"com.example.a"_s, u"com.example.b"_s}},
        {u"detargetpkg"_s, QJsonArray{}},
        {u"convflag"_s, random() % 10 == 0 ? 1 : 0},
        {u"orderseq"_s, static_cast<int>(random() % 1000)},
        {u"rewarddate"_s, u""_s},
    };
    if (random() % 2 == 0) {
        camp.insert(QStringLiteral("nativeurl"), QString(images + QStringLiteral("banner.png")));
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
    return QJsonDocument(QJsonObject{{u"result"_s, 200},
                                     {u"errmsg"_s, u""_s},
                                     {u"adtype"_s, 1},
                                     {u"rewardtype"_s, 1},
                                     {u"pricedecimal"_s, u"0"_s},
                                     {u"camp"_s, camps},
                                     {u"housemd"_s, houses}})
        .toJson(QJsonDocument::Compact);
}

} // namespace orvane::bench
