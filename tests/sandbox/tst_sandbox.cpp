// The sandbox server over real loopback HTTP, spoken to with a plain QNetworkAccessManager (never
// the kit's own transport), so the server is checked on its own.
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "orvane/OrvaneSDK.h"
#include "sandbox/Multipart.h"
#include "sandbox/SandboxServer.h"
#include "support/SandboxFixture.h"

using namespace orvane;
using namespace orvane::sandbox;

namespace {

struct Response {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    int result() const { return json().value(QStringLiteral("result")).toInt(-1); }
};

Response finish(QNetworkReply* reply) {
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished()) {
        finished.wait(10000);
    }
    Response response;
    response.error = reply->error();
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.body = reply->readAll();
    reply->deleteLater();
    return response;
}

// A plain client of the sandbox: the demo keys and one user unless told otherwise.
class Client {
public:
    explicit Client(SandboxServer& server, const QString& user = QStringLiteral("u1"))
        : m_server(server)
        , m_user(user) {}

    Response get(const QString& pathAndQuery) {
        return finish(m_nam.get(QNetworkRequest(QUrl(m_server.baseUrl() + pathAndQuery))));
    }
    Response post(const QString& path, const QByteArray& contentType, const QByteArray& body) {
        QNetworkRequest request(QUrl(m_server.baseUrl() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        return finish(m_nam.post(request, body));
    }
    QString keys() const {
        return QStringLiteral("mkey=demo-mkey&mckey=demo-mckey&userid=") + m_user;
    }
    Response campaign(const QString& call, qint64 campid, const QString& extra = {}) {
        return get(QStringLiteral("/v1/%1?%2&campid=%3&adid=AD-%4%5")
                       .arg(call, keys())
                       .arg(campid)
                       .arg(m_user, extra));
    }
    Response list() { return get(QStringLiteral("/v1/req?") + keys()); }
    QJsonObject listed(qint64 campid) {
        const QJsonObject reply = list().json();
        for (const QString& key : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
            for (const QJsonValue& camp : reply.value(key).toArray()) {
                if (camp[QStringLiteral("campid")].toInteger() == campid) {
                    return camp.toObject();
                }
            }
        }
        return {};
    }
    int state(qint64 campid) {
        return campaign(QStringLiteral("state"), campid).json()[QStringLiteral("state")].toInt(-1);
    }
    QNetworkAccessManager& nam() { return m_nam; }

private:
    SandboxServer& m_server;
    QString m_user;
    QNetworkAccessManager m_nam;
};

std::unique_ptr<SandboxServer> startServer(Options options = {}) {
    auto server = std::make_unique<SandboxServer>(std::move(options));
    if (!server->listen()) {
        qWarning("%s", qPrintable(server->errorString()));
        return nullptr;
    }
    return server;
}

QString today() {
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

class TestSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void landingCampaignFromJoinToReward();
    void appCampaignCompletesAfterInstall();
    void serverCreditedRewardType();
    void instantAndReadyToClaimCampaigns();
    void refusals();
    void rewardHistoryFilters();
    void faultsShapeTheReply_data();
    void faultsShapeTheReply();
    void faultsAreCountedAndNeverBlock();
    void controlEndpoint();
    void requestLogKeepsQueryAsSent();
    void inquiryMultipartIsStored();
    void multipartParserRejectsBrokenBodies();
    void imagesNoticeAndAgreement();
    void catalogueCoversEveryKindAndIsReplaceable();
    void stateSurvivesRestartAndServersCoexist();
    void fixturePointsTheKitAtTheServer();
    void executablePrintsItsLine();
};

void TestSandbox::landingCampaignFromJoinToReward() {
    auto server = startServer();
    QVERIFY(server);
    server->setCompletionDelay(150);
    Client client(*server);

    QCOMPARE(client.listed(103)[QStringLiteral("convflag")].toInt(), 0);
    QCOMPARE(client.state(103), 0);
    const QJsonObject join = client.campaign(QStringLiteral("join"), 103).json();
    QCOMPARE(join[QStringLiteral("result")].toInt(), 200);
    QVERIFY(!join.contains(QStringLiteral("orvkey")));
    const QString lurl = join[QStringLiteral("lurl")].toString();
    QCOMPARE(lurl, server->landingUrl(103, QStringLiteral("u1")));
    QCOMPARE(client.state(103), 1);
    QCOMPARE(client.campaign(QStringLiteral("reward"), 103, QStringLiteral("&orvkey=x")).result(),
             406);

    const Response page = finish(client.nam().get(QNetworkRequest(QUrl(lurl))));
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains("Greenleaf Market"));
    QCOMPARE(client.state(103), 2);
    QTRY_COMPARE_WITH_TIMEOUT(client.state(103), 3, 3000);

    const QJsonObject state = client.campaign(QStringLiteral("state"), 103).json();
    const QString orvkey = state[QStringLiteral("orvkey")].toString();
    QVERIFY(!orvkey.isEmpty());
    QCOMPARE(server->stateReplyKey(QStringLiteral("u1"), 103), orvkey);
    // Waiting for its claim, the campaign is listed with the accumulate flag and a key of its own.
    QCOMPARE(client.listed(103)[QStringLiteral("convflag")].toInt(), 1);
    const QString listedKey = client.listed(103)[QStringLiteral("orvkey")].toString();
    QVERIFY(!listedKey.isEmpty() && listedKey != orvkey);

    QCOMPARE(
        client.campaign(QStringLiteral("reward"), 103, QStringLiteral("&orvkey=nope")).result(),
        403);
    QCOMPARE(client.campaign(QStringLiteral("reward"), 103, QStringLiteral("&orvkey=") + orvkey)
                 .result(),
             200);
    QCOMPARE(client.campaign(QStringLiteral("reward"), 103, QStringLiteral("&orvkey=") + orvkey)
                 .result(),
             409);
    QVERIFY(client.listed(103).isEmpty());
    QCOMPARE(client.campaign(QStringLiteral("join"), 103).result(), 500); // already taken part

    const QList<RewardRecord> history = server->rewardHistory(QStringLiteral("u1"));
    QCOMPARE(history.size(), 1);
    QCOMPARE(history[0].campid, 103);
    QCOMPARE(history[0].rewardprice, 500.0);
    QCOMPARE(history[0].rewardmark, QStringLiteral("P"));
    QCOMPARE(history[0].rewarddate, today());
    // Another user is untouched.
    Client other(*server, QStringLiteral("u2"));
    QCOMPARE(other.state(103), 0);
    QCOMPARE(other.listed(103)[QStringLiteral("convflag")].toInt(), 0);
}

void TestSandbox::appCampaignCompletesAfterInstall() {
    auto server = startServer();
    QVERIFY(server);
    server->setCompletionDelay(0);
    Client client(*server);

    QCOMPARE(client.campaign(QStringLiteral("exec"), 101).result(), 404); // not joined
    const QString lurl =
        client.campaign(QStringLiteral("join"), 101).json()[QStringLiteral("lurl")].toString();
    QVERIFY(lurl.contains(QStringLiteral("/landing/101")));
    // The store page does not complete an app campaign; the install report does.
    QCOMPARE(finish(client.nam().get(QNetworkRequest(QUrl(lurl)))).status, 200);
    QCOMPARE(client.state(101), 1);
    QCOMPARE(client.campaign(QStringLiteral("exec"), 101).result(), 200);
    QCOMPARE(client.campaign(QStringLiteral("inst"), 101).result(), 200);
    QCOMPARE(client.state(101), 3);
    const QString orvkey =
        client.campaign(QStringLiteral("state"), 101).json()[QStringLiteral("orvkey")].toString();
    QCOMPARE(client.campaign(QStringLiteral("reward"), 101, QStringLiteral("&orvkey=") + orvkey)
                 .result(),
             200);
    QCOMPARE(client.campaign(QStringLiteral("exec"), 101).result(), 501);

    // A landing campaign is no app campaign.
    client.campaign(QStringLiteral("join"), 104);
    QCOMPARE(client.campaign(QStringLiteral("exec"), 104).result(), 406);
    QCOMPARE(client.campaign(QStringLiteral("inst"), 104).result(), 406);
}

void TestSandbox::serverCreditedRewardType() {
    auto server = startServer();
    QVERIFY(server);
    server->setCompletionDelay(0);
    server->setUserRewardType(QStringLiteral("u2"), 2);
    Client u1(*server, QStringLiteral("u1"));
    Client u2(*server, QStringLiteral("u2"));
    QCOMPARE(u1.list().json()[QStringLiteral("rewardtype")].toInt(), 1);
    QCOMPARE(u2.list().json()[QStringLiteral("rewardtype")].toInt(), 2);

    u2.campaign(QStringLiteral("join"), 109);
    u2.campaign(QStringLiteral("inst"), 109);
    QCOMPARE(u2.state(109), 3);
    // Credited by the server itself: in the history, off the list, nothing left to claim.
    QCOMPARE(server->rewardHistory(QStringLiteral("u2")).size(), 1);
    QVERIFY(u2.listed(109).isEmpty());
    QCOMPARE(u2.campaign(QStringLiteral("exec"), 109).result(), 501);
    QCOMPARE(u2.campaign(QStringLiteral("reward"), 109, QStringLiteral("&orvkey=x")).result(), 409);

    server->setRewardType(2);
    server->setUserRewardType(QStringLiteral("u2"), std::nullopt);
    QCOMPARE(u1.list().json()[QStringLiteral("rewardtype")].toInt(), 2);
}

void TestSandbox::instantAndReadyToClaimCampaigns() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    const QJsonObject join = client.campaign(QStringLiteral("join"), 107).json();
    QCOMPARE(join[QStringLiteral("result")].toInt(), 200);
    QVERIFY(!join.contains(QStringLiteral("lurl")));
    const QString key = join[QStringLiteral("orvkey")].toString();
    QVERIFY(!key.isEmpty());
    // A join repeated after a lost reply answers the same.
    QCOMPARE(
        client.campaign(QStringLiteral("join"), 107).json()[QStringLiteral("orvkey")].toString(),
        key);
    QCOMPARE(
        client.campaign(QStringLiteral("reward"), 107, QStringLiteral("&orvkey=") + key).result(),
        200);

    const QJsonObject ready = client.listed(108);
    QCOMPARE(ready[QStringLiteral("convflag")].toInt(), 1);
    const QString readyKey = ready[QStringLiteral("orvkey")].toString();
    QVERIFY(!readyKey.isEmpty());
    QCOMPARE(client.listed(108)[QStringLiteral("orvkey")].toString(), readyKey); // stable
    QCOMPARE(client.campaign(QStringLiteral("reward"), 108, QStringLiteral("&orvkey=") + readyKey)
                 .result(),
             200);
    QVERIFY(client.listed(108).isEmpty());
    QCOMPARE(server->rewardHistory(QStringLiteral("u1")).size(), 2);
}

void TestSandbox::refusals() {
    auto server = startServer();
    QVERIFY(server);
    server->addKeys(QStringLiteral("host-b"), QStringLiteral("host-b-c"));
    Client client(*server);
    const QString badKeys = QStringLiteral("mkey=demo-mkey&mckey=wrong&userid=u1");
    for (const QString& path :
         {QStringLiteral("/v1/req"), QStringLiteral("/v1/join"), QStringLiteral("/v1/state"),
          QStringLiteral("/v1/exec"), QStringLiteral("/v1/reward"),
          QStringLiteral("/api/cs/user_camp_list"), QStringLiteral("/api/cs/user_reward_list")}) {
        const Response r = client.get(path + QStringLiteral("?campid=103&") + badKeys);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.result(), 403);
    }
    QCOMPARE(client.get(QStringLiteral("/v1/req?mkey=host-b&mckey=host-b-c&userid=u1")).result(),
             200);
    QCOMPARE(client.get(QStringLiteral("/v1/req?mkey=demo-mkey&mckey=demo-mckey")).result(), 400);
    QCOMPARE(client.get(QStringLiteral("/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=")).result(),
             400);
    QCOMPARE(client.campaign(QStringLiteral("join"), 777).result(), 404);
    QCOMPARE(client.get(QStringLiteral("/v1/join?campid=abc&") + client.keys()).result(), 404);
    QCOMPARE(client.get(QStringLiteral("/v1/nothing")).status, 404);
    QCOMPARE(client.post(QStringLiteral("/v1/req?") + client.keys(), "text/plain", "x").status,
             405);
    QCOMPARE(client.get(QStringLiteral("/api/cs")).status, 405);
}

void TestSandbox::rewardHistoryFilters() {
    auto server = startServer();
    QVERIFY(server);
    const auto seed = [&](qint64 campid, const char* date, int bm,
                          const QString& user = QStringLiteral("u1")) {
        server->addRewardRecord({kDemoMkey, user, campid, QStringLiteral("C%1").arg(campid), 100,
                                 QStringLiteral("P"), QString::fromLatin1(date), bm});
    };
    seed(1, "20240101", 1);
    seed(2, "20240115", 4);
    seed(3, "20240131", 3);
    seed(4, "20240201", 2);
    seed(5, "20240115", 1, QStringLiteral("u2"));
    Client client(*server);
    const auto ids = [&](const QString& query) {
        const Response r =
            client.get(QStringLiteral("/api/cs/user_reward_list?") + client.keys() + query);
        QList<qint64> list;
        for (const QJsonValue& v : r.json()[QStringLiteral("reward")].toArray()) {
            list << v[QStringLiteral("campid")].toInteger();
        }
        return r.result() == 200 ? list : QList<qint64>{-r.result()};
    };
    QCOMPARE(ids(QStringLiteral("&sdate=20240101&edate=20240131")), (QList<qint64>{3, 2, 1}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240101&edate=20240131&rewardtype=1")),
             (QList<qint64>{3, 1}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240101&edate=20240131&rewardtype=2")),
             (QList<qint64>{2}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240115&edate=20240115")), (QList<qint64>{2}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240201&edate=20240101")), (QList<qint64>{}));
    QCOMPARE(ids(QStringLiteral("&sdate=2024-01-01&edate=20240131")), (QList<qint64>{-400}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240101")), (QList<qint64>{-400}));
    QCOMPARE(ids(QStringLiteral("&sdate=20240101&edate=20240131&rewardtype=7")),
             (QList<qint64>{-400}));

    const QJsonObject row = client
                                .get(QStringLiteral("/api/cs/user_reward_list?") + client.keys() +
                                     QStringLiteral("&sdate=20240201&edate=20240201"))
                                .json()[QStringLiteral("reward")][0]
                                .toObject();
    QCOMPARE(row[QStringLiteral("name")].toString(), QStringLiteral("C4"));
    QCOMPARE(row[QStringLiteral("rewarddate")].toString(), QStringLiteral("20240201"));
    QCOMPARE(row[QStringLiteral("rewardmark")].toString(), QStringLiteral("P"));
    QCOMPARE(row[QStringLiteral("rewardprice")].toDouble(), 100.0);
    QCOMPARE(row[QStringLiteral("bm")].toInt(), 2);
}

void TestSandbox::faultsShapeTheReply_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("error");        // QNetworkReply::NetworkError
    QTest::addColumn<int>("status");       // 0: none
    QTest::addColumn<QByteArray>("check"); // "json", "notjson", "empty", "short"

    QTest::newRow("status 500") << Fault::status(500) << int(QNetworkReply::InternalServerError)
                                << 500 << QByteArray("json");
    QTest::newRow("malformed") << Fault::withBody(Fault::Body::Malformed)
                               << int(QNetworkReply::NoError) << 200 << QByteArray("notjson");
    QTest::newRow("empty") << Fault::withBody(Fault::Body::Empty) << int(QNetworkReply::NoError)
                           << 200 << QByteArray("empty");
    QTest::newRow("truncated") << Fault::withBody(Fault::Body::Truncated)
                               << int(QNetworkReply::RemoteHostClosedError) << 200
                               << QByteArray("short");
    QTest::newRow("drop") << Fault::withBody(Fault::Body::Drop)
                          << int(QNetworkReply::RemoteHostClosedError) << 0 << QByteArray("empty");
}

void TestSandbox::faultsShapeTheReply() {
    QFETCH(Fault, fault);
    QFETCH(int, error);
    QFETCH(int, status);
    QFETCH(QByteArray, check);
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    const QByteArray normal = client.list().body;
    server->setFault(QStringLiteral("/v1/req"), fault);
    const Response r = client.list();
    QCOMPARE(int(r.error), error);
    QCOMPARE(r.status, status);
    if (check == "json") {
        QCOMPARE(r.body, normal);
    } else if (check == "notjson") {
        QVERIFY(!r.body.isEmpty());
        QVERIFY(QJsonDocument::fromJson(r.body).isNull());
    } else if (check == "empty") {
        QVERIFY(r.body.isEmpty());
    } else {
        QVERIFY(!r.body.isEmpty());
        QVERIFY(normal.startsWith(r.body));
        QVERIFY(r.body.size() < normal.size());
    }
    // Other paths are untouched.
    QCOMPARE(client.campaign(QStringLiteral("state"), 103).result(), 200);
}

void TestSandbox::faultsAreCountedAndNeverBlock() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);

    // A refused join changes nothing; the refusal is counted and then the join goes through.
    server->setFault(QStringLiteral("/v1/join"), Fault::resultCode(403).times(1));
    const Response refused = client.campaign(QStringLiteral("join"), 103);
    QCOMPARE(refused.status, 200);
    QCOMPARE(refused.result(), 403);
    QCOMPARE(client.state(103), 0);
    QCOMPARE(client.campaign(QStringLiteral("join"), 103).result(), 200);
    QCOMPARE(client.state(103), 1);

    // A patch keeps the handled reply and overwrites fields: a 500 list that carries campaigns.
    Fault patch;
    patch.patch = {{"result", 500}};
    server->setFault(QStringLiteral("/v1/req"), patch);
    const QJsonObject list = client.list().json();
    QCOMPARE(list[QStringLiteral("result")].toInt(), 500);
    QVERIFY(list[QStringLiteral("camp")].toArray().size() > 5);

    // "*" covers every path without a fault of its own.
    server->clearFaults();
    server->setFault(QStringLiteral("*"), Fault::status(503));
    server->setFault(QStringLiteral("/v1/view"), Fault::status(502));
    QCOMPARE(client.campaign(QStringLiteral("state"), 103).status, 503);
    QCOMPARE(client.campaign(QStringLiteral("view"), 103).status, 502);
    server->clearFaults();

    // A delayed answer holds nobody else up: the server keeps answering meanwhile.
    server->setFault(QStringLiteral("/v1/req"), Fault::delay(600));
    QElapsedTimer clock;
    clock.start();
    QNetworkReply* slow = client.nam().get(
        QNetworkRequest(QUrl(server->campaignBase() + QStringLiteral("/req?") + client.keys())));
    QCOMPARE(client.campaign(QStringLiteral("state"), 103).result(), 200);
    QVERIFY(!slow->isFinished());
    QVERIFY(clock.elapsed() < 500);
    const Response late = finish(slow);
    QCOMPARE(late.result(), 200);
    QVERIFY(clock.elapsed() >= 550);

    // A client that gives up before a delayed answer leaves the server well.
    QNetworkReply* abandoned = client.nam().get(
        QNetworkRequest(QUrl(server->campaignBase() + QStringLiteral("/req?") + client.keys())));
    QTRY_COMPARE(server->requestsTo(QStringLiteral("/v1/req")).size(), 3);
    abandoned->abort();
    abandoned->deleteLater();
    server->clearFaults();
    QCOMPARE(client.list().result(), 200);
}

void TestSandbox::controlEndpoint() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    QCOMPARE(
        client.get(QStringLiteral("/__sandbox/fault?path=/v1/join&result=900&count=1")).result(),
        200);
    QCOMPARE(client.campaign(QStringLiteral("join"), 103).result(), 900);
    QCOMPARE(client.campaign(QStringLiteral("join"), 103).result(), 200);
    QCOMPARE(client.get(QStringLiteral("/__sandbox/fault?path=/v1/req&body=drop")).result(), 200);
    QCOMPARE(client.list().error, QNetworkReply::RemoteHostClosedError);
    QCOMPARE(client.get(QStringLiteral("/__sandbox/fault?path=/v1/req&clear")).result(), 200);
    QCOMPARE(client.list().result(), 200);
    QCOMPARE(client.get(QStringLiteral("/__sandbox/fault?path=/v1/req&body=sideways")).result(),
             400);
    QCOMPARE(client.get(QStringLiteral("/__sandbox/fault?status=500")).result(), 400);

    QCOMPARE(client.get(QStringLiteral("/__sandbox/config?delay=0&rewardtype=2&user=u1")).result(),
             200);
    QCOMPARE(server->completionDelay(), 0);
    QCOMPARE(client.list().json()[QStringLiteral("rewardtype")].toInt(), 2);

    const QJsonArray logged = client.get(QStringLiteral("/__sandbox/requests"))
                                  .json()[QStringLiteral("requests")]
                                  .toArray();
    QVERIFY(!logged.isEmpty());
    for (const QJsonValue& entry : logged) {
        QVERIFY(!entry[QStringLiteral("path")].toString().startsWith(QStringLiteral("/__sandbox")));
    }
}

void TestSandbox::requestLogKeepsQueryAsSent() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    QSignalSpy received(server.get(), &SandboxServer::requestReceived);
    QNetworkRequest request(QUrl(server->campaignBase() +
                                 QStringLiteral("/req?mkey=demo-mkey&mckey=demo-mckey&userid=a%20b%"
                                                "26c&gender=0&carrier&age=&note=1+1&carrier=x")));
    request.setRawHeader("User-Agent", "Agent/1.0");
    request.setRawHeader("cookie", "1");
    QCOMPARE(finish(client.nam().get(request)).result(), 200);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toString(), QStringLiteral("/v1/req"));

    const QList<LoggedRequest> log = server->requestsTo(QStringLiteral("/v1/req"));
    QCOMPARE(log.size(), 1);
    const LoggedRequest& r = log[0];
    QCOMPARE(r.method, QByteArray("GET"));
    const QList<QueryItem> expected = {
        {QStringLiteral("mkey"), QStringLiteral("demo-mkey")},
        {QStringLiteral("mckey"), QStringLiteral("demo-mckey")},
        {QStringLiteral("userid"), QStringLiteral("a b&c")},
        {QStringLiteral("gender"), QStringLiteral("0")},
        {QStringLiteral("carrier"), std::nullopt},
        {QStringLiteral("age"), QString(QLatin1String(""))},
        {QStringLiteral("note"), QStringLiteral("1+1")},
        {QStringLiteral("carrier"), QStringLiteral("x")},
    };
    QCOMPARE(r.query, expected);
    QVERIFY(r.hasQueryItem(QStringLiteral("carrier")));
    QCOMPARE(r.queryValue(QStringLiteral("carrier")), std::nullopt); // the first one, bare
    QVERIFY(r.queryValue(QStringLiteral("age")).has_value());
    QVERIFY(!r.hasQueryItem(QStringLiteral("adid")));
    QCOMPARE(r.header("user-agent"), QByteArray("Agent/1.0"));
    QCOMPARE(r.header("COOKIE"), QByteArray("1"));
    QVERIFY(!r.hasHeader("Content-Type"));

    client.campaign(QStringLiteral("state"), 103);
    QCOMPARE(server->requests().size(), 2);
    QCOMPARE(server->requests()[1].path, QStringLiteral("/v1/state"));
    server->clearRequests();
    QVERIFY(server->requests().isEmpty());
}

void TestSandbox::inquiryMultipartIsStored() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    // Laid out byte for byte as the kit's transport writes it, with binary image bytes that hold
    // CR LF, dashes and the start of the boundary.
    const QByteArray image1 =
        QByteArray("\xFF\xD8\xFF\r\n--^-----\r\n\x00\x01--", 20) + QByteArray(3000, '\x7F');
    const QByteArray image2 = QByteArray("\xFF\xD8 second \r\n\r\n", 15);
    const QList<QPair<QByteArray, QByteArray>> fields = {
        {"mkey", "demo-mkey"},
        {"mckey", "demo-mckey"},
        {"userid", "u1"},
        {"email", "kim@example.com"},
        {"tel", "01012345678"},
        {"cstype", "reward"},
        {"campid", "103"},
        {"name", "Kim Minji"},
        {"content", "No reward yet.\r\nLine two: é ✓"},
    };
    QByteArray body;
    for (const auto& [name, value] : fields) {
        body += "--^-----^\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
                value + "\r\n";
    }
    for (const QByteArray& image : {image1, image2}) {
        body += "--^-----^\r\nContent-Disposition: form-data; name=\"uploadfiles[]\"; "
                "filename=\"image" +
                QByteArray::number(image.size()) + ".jpg\"\r\nContent-Type: image/jpeg\r\n\r\n" +
                image + "\r\n";
    }
    body += "--^-----^--\r\n";
    QCOMPARE(client.post(QStringLiteral("/api/cs"), "multipart/form-data; boundary=^-----^", body)
                 .result(),
             200);

    const QList<Inquiry> inquiries = server->inquiries();
    QCOMPARE(inquiries.size(), 1);
    const Inquiry& inquiry = inquiries[0];
    QCOMPARE(inquiry.fields.size(), fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QCOMPARE(inquiry.fields[i].first, QString::fromUtf8(fields[i].first));
        QCOMPARE(inquiry.fields[i].second, QString::fromUtf8(fields[i].second));
    }
    QCOMPARE(inquiry.images.size(), 2);
    QCOMPARE(inquiry.images[0].data, image1);
    QCOMPARE(inquiry.images[0].fileName, QStringLiteral("image3020.jpg"));
    QCOMPARE(inquiry.images[0].contentType, QStringLiteral("image/jpeg"));
    QCOMPARE(inquiry.images[1].data, image2);
    QCOMPARE(server->requestsTo(QStringLiteral("/api/cs"))[0].body, body);

    // Refused inquiries are not stored.
    QByteArray badKeys = body;
    badKeys.replace("demo-mckey", "other-key!");
    QCOMPARE(
        client.post(QStringLiteral("/api/cs"), "multipart/form-data; boundary=^-----^", badKeys)
            .result(),
        403);
    QCOMPARE(client
                 .post(QStringLiteral("/api/cs"), "multipart/form-data; boundary=^-----^",
                       body.chopped(16))
                 .result(),
             400);
    QCOMPARE(client.post(QStringLiteral("/api/cs"), "application/json", "{}").result(), 400);
    QCOMPARE(server->inquiries().size(), 1);
}

void TestSandbox::multipartParserRejectsBrokenBodies() {
    QString error;
    const QByteArray type = "multipart/form-data; boundary=\"b-1\"";
    const auto parts = parseMultipart(
        type, "--b-1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n\r\n--b-1--", &error);
    QVERIFY2(parts, qPrintable(error));
    QCOMPARE(parts->size(), 1);
    QCOMPARE(parts->at(0).name, QStringLiteral("a"));
    QVERIFY(parts->at(0).data.isEmpty());
    QVERIFY(!parts->at(0).fileName);
    QVERIFY(parseMultipart(type, "--b-1--\r\n", &error)->isEmpty());

    for (const QByteArray& broken : {
             QByteArray(""),
             QByteArray("garbage"),
             QByteArray("--b-1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nvalue"),
             QByteArray("--b-1\r\nContent-Disposition: form-data\r\n\r\nx\r\n--b-1--"),
             QByteArray("--b-1\r\nContent-Disposition: form-data; name=\"a\""),
             QByteArray("--b-1xx"),
         }) {
        error.clear();
        QVERIFY2(!parseMultipart(type, broken, &error), broken.constData());
        QVERIFY(!error.isEmpty());
    }
    QVERIFY(!parseMultipart("multipart/form-data", "--\r\n", &error));
    QVERIFY(!parseMultipart("multipart/form-data; boundary=", "--\r\n", &error));
}

void TestSandbox::imagesNoticeAndAgreement() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    const QJsonObject camp = client.listed(101);
    QCOMPARE(camp[QStringLiteral("iconurl")].toString(),
             server->imageUrl(101, QStringLiteral("icon")));
    QCOMPARE(camp[QStringLiteral("nativeurl")].toString(),
             server->imageUrl(101, QStringLiteral("banner")));
    QCOMPARE(camp[QStringLiteral("viewurl")].toString(),
             server->imageUrl(101, QStringLiteral("detail")));
    const QList<std::tuple<QString, QSize>> images = {{QStringLiteral("icon"), {128, 128}},
                                                      {QStringLiteral("banner"), {600, 300}},
                                                      {QStringLiteral("detail"), {600, 900}}};
    for (const auto& [kind, size] : images) {
        const Response r =
            finish(client.nam().get(QNetworkRequest(QUrl(server->imageUrl(101, kind)))));
        QCOMPARE(r.status, 200);
        const QImage image = QImage::fromData(r.body, "PNG");
        QCOMPARE(image.size(), size);
    }
    QVERIFY(finish(client.nam().get(QNetworkRequest(QUrl(server->imageUrl(101))))).body !=
            finish(client.nam().get(QNetworkRequest(QUrl(server->imageUrl(102))))).body);
    QCOMPARE(client.get(QStringLiteral("/img/5/icon.png")).status, 404);

    const QJsonObject notice =
        finish(client.nam().get(QNetworkRequest(QUrl(server->noticeUrl())))).json();
    QCOMPARE(notice[QStringLiteral("result")].toInt(), 200);
    QVERIFY(notice[QStringLiteral("text")].toString().startsWith(QStringLiteral("<html>")));
    const QJsonObject agree =
        client.get(QStringLiteral("/api/cs/agree_contents_app?") + client.keys()).json();
    QCOMPARE(agree[QStringLiteral("result")].toInt(), 200);
    QVERIFY(agree[QStringLiteral("cs_agree_contents")].toString().contains(QStringLiteral("<p>")));
    QCOMPARE(client.campaign(QStringLiteral("view"), 101).json()[QStringLiteral("result")].toInt(),
             200);

    // The inquiry picker lists the user's campaigns in the order they began: the ready check-in
    // bonus (108) from the first list, then the joins; a repeated join keeps its place.
    client.campaign(QStringLiteral("join"), 105);
    client.campaign(QStringLiteral("join"), 101);
    client.campaign(QStringLiteral("join"), 105);
    const QJsonArray joined = client.get(QStringLiteral("/api/cs/user_camp_list?") + client.keys())
                                  .json()[QStringLiteral("camp")]
                                  .toArray();
    QCOMPARE(joined.size(), 3);
    QCOMPARE(joined[0][QStringLiteral("campid")].toInt(), 108);
    QCOMPARE(joined[1][QStringLiteral("campid")].toInt(), 105);
    QCOMPARE(joined[2][QStringLiteral("name")].toString(), QStringLiteral("Starfall Legends"));
}

void TestSandbox::catalogueCoversEveryKindAndIsReplaceable() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    const QJsonObject reply = client.list().json();
    QSet<QString> kinds;
    for (const QString& list : {QStringLiteral("camp"), QStringLiteral("housemd")}) {
        for (const QJsonValue& v : reply[list].toArray()) {
            const QJsonObject c = v.toObject();
            for (const char* field : {"bm", "bmcheck", "convflag", "detailpage"}) {
                kinds << QStringLiteral("%1=%2")
                             .arg(QLatin1String(field))
                             .arg(c[QLatin1String(field)].toInt());
            }
            kinds << list + QStringLiteral("/bm4=") +
                         QString::number(c[QStringLiteral("bm")].toInt() == 4);
            if (c[QStringLiteral("bm")].toInt() == 4) {
                QVERIFY(c[QStringLiteral("cpsdcprice")].toInt() > 0);
                QVERIFY(c[QStringLiteral("cpsprice")].toInt() >
                        c[QStringLiteral("cpsdcprice")].toInt());
            }
            QVERIFY(!c.contains(QStringLiteral("sandbox")));
            QVERIFY(!c[QStringLiteral("name")].toString().isEmpty());
            QVERIFY(!c[QStringLiteral("rewarddesc")].toString().isEmpty());
            QVERIFY(c[QStringLiteral("joindesc")].toString().contains(QStringLiteral("<p>")) ||
                    c[QStringLiteral("joindesc")].toString().contains(QStringLiteral("<li>")));
            QVERIFY(c[QStringLiteral("rewardprice")].toDouble() > 0);
        }
    }
    for (const char* expected : {"bm=1", "bm=2", "bm=3", "bm=4", "bmcheck=0", "bmcheck=1",
                                 "convflag=0", "convflag=1", "detailpage=0", "detailpage=1",
                                 "housemd/bm4=0", "housemd/bm4=1", "camp/bm4=0", "camp/bm4=1"}) {
        QVERIFY2(kinds.contains(QLatin1String(expected)), expected);
    }

    QString error;
    QVERIFY(!server->setCatalogue(
        QJsonDocument::fromJson(R"({"camp":[{"campid":1},{"campid":1}]})").object(), &error));
    QVERIFY(error.contains(QStringLiteral("twice")));
    QVERIFY(!server->setCatalogue(QJsonDocument::fromJson(R"({"camp":[{"campid":"1"}]})").object(),
                                  &error));
    QVERIFY(!server->setCatalogue(QJsonDocument::fromJson(R"({"camp":[{"campid":1.5}]})").object(),
                                  &error));
    QVERIFY(!server->setCatalogue(
        QJsonDocument::fromJson(R"({"camp":[{"campid":2,"sandbox":{"flow":"x"}}]})").object(),
        &error));
    QVERIFY(!server->setCatalogue(QJsonDocument::fromJson(R"({"housemd":{}})").object(), &error));
    QCOMPARE(client.list().json()[QStringLiteral("camp")].toArray().size(),
             reply[QStringLiteral("camp")].toArray().size());

    QVERIFY(server->setCatalogue(
        QJsonDocument::fromJson(
            R"({"camp":[{"campid":5,"name":"Only","iconurl":"{base}/img/5/icon.png","sandbox":{"flow":"instant"}}]})")
            .object(),
        &error));
    const QJsonArray only = client.list().json()[QStringLiteral("camp")].toArray();
    QCOMPARE(only.size(), 1);
    QCOMPARE(only[0][QStringLiteral("iconurl")].toString(), server->imageUrl(5));
    QVERIFY(client.campaign(QStringLiteral("join"), 5).json().contains(QStringLiteral("orvkey")));
    QCOMPARE(client.get(QStringLiteral("/img/5/icon.png")).status, 200);
}

void TestSandbox::stateSurvivesRestartAndServersCoexist() {
    QTemporaryDir data;
    Options options;
    options.dataDir = data.path();
    {
        auto first = startServer(options);
        auto second = startServer(); // its own temporary store, alive at the same time
        QVERIFY(first && second);
        QVERIFY(first->port() != second->port());
        Client a(*first);
        Client b(*second);
        QCOMPARE(a.campaign(QStringLiteral("join"), 104).result(), 200);
        QCOMPARE(a.state(104), 1);
        QCOMPARE(b.state(104), 0);
    }
    auto restarted = startServer(options);
    QVERIFY(restarted);
    QCOMPARE(Client(*restarted).state(104), 1);
}

void TestSandbox::fixturePointsTheKitAtTheServer() {
    OrvaneSDK::shared().setHostUrl(QStringLiteral("https://before.example/v1"));
    {
        test::SandboxFixture fixture;
        QVERIFY2(fixture.ok(), qPrintable(fixture.errorString()));
        QCOMPARE(OrvaneSDK::shared().hostUrl(), fixture.server().campaignBase());
        QCOMPARE(OrvaneSDK::shared().hostPartnerUrl(), fixture.server().partnerBase());
        QCOMPARE(OrvaneSDK::shared().noticeUrl(), fixture.server().noticeUrl());
    }
    QCOMPARE(OrvaneSDK::shared().hostUrl(), QStringLiteral("https://before.example/v1"));
    QCOMPARE(OrvaneSDK::shared().hostPartnerUrl(), std::nullopt);
    QCOMPARE(OrvaneSDK::shared().noticeUrlOverride(), std::nullopt);
    OrvaneSDK::shared().setHostUrl(std::nullopt);
}

void TestSandbox::executablePrintsItsLine() {
    QTemporaryDir data;
    QFile keys(data.filePath(QStringLiteral("keys.txt")));
    QVERIFY(keys.open(QIODevice::WriteOnly));
    keys.write("# host pairs\nhost-k host-kc\n\n");
    keys.close();
    QProcess process;
    process.start(QStringLiteral(ORVANE_SANDBOX_EXE),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                   data.path(), QStringLiteral("--keys"), keys.fileName()});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
    const QString line = QString::fromUtf8(process.readLine());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^listening on (http://127\\.0\\.0\\.1:(\\d+))\n$"))
            .match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QVERIFY(match.captured(2).toInt() > 0);

    QNetworkAccessManager nam;
    const Response r = finish(nam.get(QNetworkRequest(
        QUrl(match.captured(1) + QStringLiteral("/v1/req?mkey=host-k&mckey=host-kc&userid=z")))));
    QCOMPARE(r.result(), 200);
    QVERIFY(QFile::exists(data.filePath(QStringLiteral("sandbox.sqlite"))));
    process.terminate();
    QVERIFY(process.waitForFinished(5000));

    QProcess bad;
    bad.start(QStringLiteral(ORVANE_SANDBOX_EXE),
              {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--catalogue"),
               data.filePath(QStringLiteral("missing.json"))});
    QVERIFY(bad.waitForFinished(10000));
    QCOMPARE(bad.exitCode(), 1);
    QVERIFY(bad.readAllStandardOutput().isEmpty());
    QVERIFY(bad.readAllStandardError().contains("missing.json"));
}

QTEST_MAIN(TestSandbox)
#include "tst_sandbox.moc"
