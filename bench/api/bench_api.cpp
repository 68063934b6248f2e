// Decoding a 5,000-campaign list reply next to a bare parse of the same bytes, in the same run.
// The difference is the cost of the typed records on top of the JSON parser.

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "api/Records.h"

using namespace orvane;

namespace {

QByteArray listReply(int campaigns) {
    QJsonArray camps;
    for (int i = 0; i < campaigns; ++i) {
        camps.append(QJsonObject{
            {"campid", 10000 + i},
            {"bm", i % 4 + 1},
            {"bmcheck", i % 2},
            {"name", QStringLiteral("Campaign %1").arg(i)},
            {"engname", QStringLiteral("campaign-%1").arg(i)},
            {"detailpage", i % 2},
            {"package", QStringLiteral("app%1://open").arg(i)},
            {"ctvurl", "http://127.0.0.1/ctv.png"},
            {"ctvwidth", 600},
            {"ctvheight", 300},
            {"nativeurl", QStringLiteral("http://127.0.0.1/img/%1/banner.png").arg(i)},
            {"iconurl", QStringLiteral("http://127.0.0.1/img/%1/icon.png").arg(i)},
            {"viewurl", QStringLiteral("http://127.0.0.1/img/%1/detail.png").arg(i)},
            {"joindesc", "<p>Install and open the app.</p>"},
            {"rewardcondition", 1},
            {"rewarddesc", "<b>Reward</b> after the first launch"},
            {"notice", "One reward per user."},
            {"cta", "Join"},
            {"category", 3},
            {"rewardprice", 120.5 + i},
            {"pricemark", "P"},
            {"cpsprice", 15000},
            {"cpsdcprice", 12000},
            {"carrier", ""},
            {"targetagemin", 0},
            {"targetagemax", 0},
            {"gender", 0},
            {"targetpkg", QJsonArray{"com.example.a", "com.example.b"}},
            {"detargetpkg", QJsonArray{}},
            {"convflag", i % 2},
            {"orderseq", i},
            {"rewarddate", "20240101"},
        });
    }
    return QJsonDocument(QJsonObject{{"result", 200},
                                     {"errmsg", ""},
                                     {"adtype", 1},
                                     {"rewardtype", 1},
                                     {"pricedecimal", "0"},
                                     {"camp", camps},
                                     {"housemd", QJsonArray{}}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class BenchApi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_reply = listReply(5000);
        QVERIFY(decode<Req>(m_reply).ok());
        qInfo("reply: %lld bytes", qlonglong(m_reply.size()));
    }

    void baselineFromJson() {
        QBENCHMARK {
            const QJsonDocument document = QJsonDocument::fromJson(m_reply);
            QVERIFY(document.isObject());
        }
    }

    void decodeReq() {
        QBENCHMARK {
            const Decoded<Req> req = decode<Req>(m_reply);
            QCOMPARE(req.value().camp->size(), 5000);
        }
    }

private:
    QByteArray m_reply;
};

QTEST_GUILESS_MAIN(BenchApi)

#include "bench_api.moc"
