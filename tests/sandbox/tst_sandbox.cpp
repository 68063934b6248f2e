// The sandbox server over real loopback HTTP, spoken to with a plain QNetworkAccessManager (never
// the kit's own transport), so the server is checked on its own.
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

#include "sandbox/Multipart.h"
#include "sandbox/SandboxServer.h"
#include "sdk/OrvaneSDK.h"
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

} // namespace

class TstSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusals_data();
    void refusals();
    void rewardHistoryFilters_data();
    void rewardHistoryFilters();
    void faultsShapeTheReply_data();
    void faultsShapeTheReply();
    void faultsAreCountedAndNeverBlock();
    void controlEndpoint();
    void requestLogKeepsQueryAsSent();
    void inquiryMultipartIsStored();
    void multipartParserRejectsBrokenBodies();
    void catalogueIsReplaceable();
    void executablePrintsItsLine();
};

// Each row makes the calls of `before` (the user's keys added), then `call`, and expects the HTTP
// status or, with a 200, the reply's "result".
void TstSandbox::refusals_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("result");
    const QString wrongKeys = QStringLiteral("?campid=103&mkey=demo-mkey&mckey=wrong&userid=u1");
    for (const char* path : {"/v1/req", "/v1/join", "/v1/state", "/v1/exec", "/v1/reward",
                             "/api/cs/user_camp_list", "/api/cs/user_reward_list"}) {
        QTest::addRow("wrong keys %s", path)
            << QStringList() << QString::fromLatin1(path) + wrongKeys << 200 << 403;
    }
    QTest::newRow("other host's keys")
        << QStringList() << "/v1/req?mkey=host-b&mckey=host-b-c&userid=u1" << 200 << 200;
    QTest::newRow("no user") << QStringList() << "/v1/req?mkey=demo-mkey&mckey=demo-mckey" << 200
                             << 400;
    QTest::newRow("empty user") << QStringList()
                                << "/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=" << 200 << 400;
    QTest::newRow("unknown campaign") << QStringList() << "/v1/join?campid=777" << 200 << 404;
    QTest::newRow("campaign not a number") << QStringList() << "/v1/join?campid=abc" << 200 << 404;
    QTest::newRow("unknown path") << QStringList() << "/v1/nothing" << 404 << -1;
    QTest::newRow("inquiry by GET") << QStringList() << "/api/cs" << 405 << -1;
    QTest::newRow("exec before join") << QStringList() << "/v1/exec?campid=101" << 200 << 404;
    QTest::newRow("exec of a landing campaign")
        << QStringList{"/v1/join?campid=104"} << "/v1/exec?campid=104" << 200 << 406;
    QTest::newRow("install of a landing campaign")
        << QStringList{"/v1/join?campid=104"} << "/v1/inst?campid=104" << 200 << 406;
    QTest::newRow("claim before completion")
        << QStringList{"/v1/join?campid=103"} << "/v1/reward?campid=103&orvkey=x" << 200 << 406;
    QTest::newRow("claim with a wrong key")
        << QStringList{"/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=u1"} // 108 is ready
        << "/v1/reward?campid=108&orvkey=nope" << 200 << 403;
    QTest::newRow("second claim") << QStringList{"/v1/join?campid=107"}
                                  << "/v1/reward?campid=107&orvkey=<join>" << 200 << 409;
    QTest::newRow("join after the reward")
        << QStringList{"/v1/join?campid=107", "/v1/reward?campid=107&orvkey=<join>"}
        << "/v1/join?campid=107" << 200 << 500;
}

void TstSandbox::refusals() {
    QFETCH(QStringList, before);
    QFETCH(QString, call);
    QFETCH(int, status);
    QFETCH(int, result);
    auto server = startServer();
    QVERIFY(server);
    server->addKeys(QStringLiteral("host-b"), QStringLiteral("host-b-c"));
    server->setCompletionDelay(0);
    Client client(*server);
    QString joinKey; // the key of the last join reply, for "<join>"
    const auto send = [&](QString path) {
        path.replace(QStringLiteral("<join>"), joinKey);
        if (path.contains(QLatin1String("campid=")) && !path.contains(QLatin1String("mkey="))) {
            path += QLatin1Char('&') + client.keys() + QStringLiteral("&adid=AD-u1");
        }
        return client.get(path);
    };
    for (const QString& path : before) {
        const Response r = send(path);
        QCOMPARE(r.result(), 200);
        joinKey = r.json().value(QStringLiteral("orvkey")).toString(joinKey);
    }
    // A second join of the instant campaign (a lost reply repeated) answers the same key.
    if (call == QLatin1String("/v1/reward?campid=107&orvkey=<join>")) {
        QCOMPARE(send(QStringLiteral("/v1/join?campid=107")).json()[QStringLiteral("orvkey")],
                 joinKey);
        QCOMPARE(send(call).result(), 200);
        // A rewarded campaign leaves the user's list.
        for (const QJsonValue& camp : client.list().json()[QStringLiteral("camp")].toArray()) {
            QVERIFY(camp[QStringLiteral("campid")].toInteger() != 107);
        }
    }
    const Response r = send(call);
    QCOMPARE(r.status, status);
    if (result >= 0) {
        QCOMPARE(r.result(), result);
    }
}

void TstSandbox::rewardHistoryFilters_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<qint64>>("campids"); // {-400}: refused
    QTest::newRow("a month, newest first")
        << "&sdate=20240101&edate=20240131" << QList<qint64>{3, 2, 1};
    QTest::newRow("rewards of the user")
        << "&sdate=20240101&edate=20240131&rewardtype=1" << QList<qint64>{3, 1};
    QTest::newRow("purchases") << "&sdate=20240101&edate=20240131&rewardtype=2" << QList<qint64>{2};
    QTest::newRow("one day") << "&sdate=20240115&edate=20240115" << QList<qint64>{2};
    QTest::newRow("start after end") << "&sdate=20240201&edate=20240101" << QList<qint64>{};
    QTest::newRow("date with dashes") << "&sdate=2024-01-01&edate=20240131" << QList<qint64>{-400};
    QTest::newRow("no end") << "&sdate=20240101" << QList<qint64>{-400};
    QTest::newRow("unknown kind") << "&sdate=20240101&edate=20240131&rewardtype=7"
                                  << QList<qint64>{-400};
}

void TstSandbox::rewardHistoryFilters() {
    QFETCH(QString, query);
    QFETCH(QList<qint64>, campids);
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
    const Response r =
        client.get(QStringLiteral("/api/cs/user_reward_list?") + client.keys() + query);
    QList<qint64> got;
    for (const QJsonValue& v : r.json()[QStringLiteral("reward")].toArray()) {
        got << v[QStringLiteral("campid")].toInteger();
    }
    QCOMPARE(r.result() == 200 ? got : QList<qint64>{-r.result()}, campids);
    if (campids == QList<qint64>{2}) {
        const QJsonObject row = r.json()[QStringLiteral("reward")][0].toObject();
        QCOMPARE(row, (QJsonObject{{"campid", 2},
                                   {"name", "C2"},
                                   {"rewardprice", 100},
                                   {"rewardmark", "P"},
                                   {"rewarddate", "20240115"},
                                   {"bm", 4}}));
    }
}

void TstSandbox::faultsShapeTheReply_data() {
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

void TstSandbox::faultsShapeTheReply() {
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

void TstSandbox::faultsAreCountedAndNeverBlock() {
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
    QNetworkReply* slow = client.nam().get(
        QNetworkRequest(QUrl(server->campaignBase() + QStringLiteral("/req?") + client.keys())));
    QTRY_COMPARE(server->requestsTo(QStringLiteral("/v1/req")).size(), 2);
    QCOMPARE(client.campaign(QStringLiteral("state"), 103).result(), 200);
    QVERIFY(!slow->isFinished());
    QCOMPARE(finish(slow).result(), 200);

    // A client that gives up before a delayed answer leaves the server well.
    QNetworkReply* abandoned = client.nam().get(
        QNetworkRequest(QUrl(server->campaignBase() + QStringLiteral("/req?") + client.keys())));
    QTRY_COMPARE(server->requestsTo(QStringLiteral("/v1/req")).size(), 3);
    abandoned->abort();
    abandoned->deleteLater();
    server->clearFaults();
    QCOMPARE(client.list().result(), 200);
}

void TstSandbox::controlEndpoint() {
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

void TstSandbox::requestLogKeepsQueryAsSent() {
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

void TstSandbox::inquiryMultipartIsStored() {
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

void TstSandbox::multipartParserRejectsBrokenBodies() {
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

void TstSandbox::catalogueIsReplaceable() {
    auto server = startServer();
    QVERIFY(server);
    Client client(*server);
    const int listed = int(client.list().json()[QStringLiteral("camp")].toArray().size());
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
    QCOMPARE(client.list().json()[QStringLiteral("camp")].toArray().size(), listed);

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

void TstSandbox::executablePrintsItsLine() {
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

QTEST_MAIN(TstSandbox)
#include "tst_sandbox.moc"
