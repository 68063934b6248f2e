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
    int state(qint64 campid) {
        return campaign(QStringLiteral("state"), campid).json()[QStringLiteral("state")].toInt(-1);
    }
    QNetworkAccessManager& nam() { return m_nam; }

private:
    SandboxServer& m_server;
    QString m_user;
    QNetworkAccessManager m_nam;
};

} // namespace

class TstSandbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<SandboxServer>(Options{});
        QVERIFY2(m_server->listen(), qPrintable(m_server->errorString()));
        m_client = std::make_unique<Client>(*m_server);
    }
    void cleanup() {
        m_client.reset();
        m_server.reset();
    }
    void refusals_data();
    void refusals();
    void rewardHistoryFilters_data();
    void rewardHistoryFilters();
    void faultsAreCountedAndNeverBlock();
    void controlEndpoint();
    void requestLogKeepsQueryAsSent();
    void inquiryMultipartIsStored();
    void multipartParserRejectsBrokenBodies();
    void catalogueIsReplaceable();
    void executablePrintsItsLine();

private:
    std::unique_ptr<SandboxServer> m_server;
    std::unique_ptr<Client> m_client;
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
    const auto row = [](const char* name, QStringList before, const char* call, int status,
                        int result) {
        QTest::newRow(name) << before << QString::fromLatin1(call) << status << result;
    };
    row("other host's keys", {}, "/v1/req?mkey=host-b&mckey=host-b-c&userid=u1", 200, 200);
    row("no user", {}, "/v1/req?mkey=demo-mkey&mckey=demo-mckey", 200, 400);
    row("empty user", {}, "/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=", 200, 400);
    row("unknown campaign", {}, "/v1/join?campid=777", 200, 404);
    row("campaign not a number", {}, "/v1/join?campid=abc", 200, 404);
    row("unknown path", {}, "/v1/nothing", 404, -1);
    row("inquiry by GET", {}, "/api/cs", 405, -1);
    row("exec before join", {}, "/v1/exec?campid=101", 200, 404);
    row("exec of a landing campaign", {"/v1/join?campid=104"}, "/v1/exec?campid=104", 200, 406);
    row("install of a landing campaign", {"/v1/join?campid=104"}, "/v1/inst?campid=104", 200, 406);
    row("claim before completion", {"/v1/join?campid=103"}, "/v1/reward?campid=103&orvkey=x", 200,
        406);
    row("claim with a wrong key",
        {"/v1/req?mkey=demo-mkey&mckey=demo-mckey&userid=u1"}, // 108 ready
        "/v1/reward?campid=108&orvkey=nope", 200, 403);
    row("second claim", {"/v1/join?campid=107"}, "/v1/reward?campid=107&orvkey=<join>", 200, 409);
    row("join after the reward", {"/v1/join?campid=107", "/v1/reward?campid=107&orvkey=<join>"},
        "/v1/join?campid=107", 200, 500);
}

void TstSandbox::refusals() {
    QFETCH(QStringList, before);
    QFETCH(QString, call);
    QFETCH(int, status);
    QFETCH(int, result);
    m_server->addKeys(QStringLiteral("host-b"), QStringLiteral("host-b-c"));
    m_server->setCompletionDelay(0);
    QString joinKey; // the key of the last join reply, for "<join>"
    const auto send = [&](QString path) {
        path.replace(QStringLiteral("<join>"), joinKey);
        if (path.contains(QLatin1String("campid=")) && !path.contains(QLatin1String("mkey="))) {
            path += QLatin1Char('&') + m_client->keys() + QStringLiteral("&adid=AD-u1");
        }
        return m_client->get(path);
    };
    for (const QString& path : before) {
        const Response r = send(path);
        QCOMPARE(r.result(), 200);
        joinKey = r.json().value(QStringLiteral("orvkey")).toString(joinKey);
    }
    // A second join of the instant campaign (a lost reply repeated) answers the same key; the
    // claim with the key of the state reply pays, and the rewarded campaign leaves the list.
    if (call == QLatin1String("/v1/reward?campid=107&orvkey=<join>")) {
        QCOMPARE(send(QStringLiteral("/v1/join?campid=107")).json()[QStringLiteral("orvkey")],
                 joinKey);
        const QString stateKey = send(QStringLiteral("/v1/state?campid=107"))
                                     .json()[QStringLiteral("orvkey")]
                                     .toString();
        QVERIFY(!stateKey.isEmpty() && stateKey != joinKey);
        QCOMPARE(send(QStringLiteral("/v1/reward?campid=107&orvkey=") + stateKey).result(), 200);
        const QJsonArray listed = m_client->list().json()[QStringLiteral("camp")].toArray();
        QVERIFY(!listed.isEmpty());
        for (const QJsonValue& camp : listed) {
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
    const auto seed = [&](qint64 campid, const char* date, int bm,
                          const QString& user = QStringLiteral("u1")) {
        m_server->addRewardRecord({kDemoMkey, user, campid, QStringLiteral("C%1").arg(campid), 100,
                                   QStringLiteral("P"), QString::fromLatin1(date), bm});
    };
    seed(1, "20240101", 1);
    seed(2, "20240115", 4);
    seed(3, "20240131", 3);
    seed(4, "20240201", 2);
    seed(5, "20240115", 1, QStringLiteral("u2"));
    const Response r = m_client->get("/api/cs/user_reward_list?" + m_client->keys() + query);
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

void TstSandbox::faultsAreCountedAndNeverBlock() {

    // A refused join changes nothing; the refusal is counted and then the join goes through.
    m_server->setFault("/v1/join", Fault::resultCode(403).times(1));
    const Response refused = m_client->campaign("join", 103);
    QCOMPARE(refused.status, 200);
    QCOMPARE(refused.result(), 403);
    QCOMPARE(m_client->state(103), 0);
    QCOMPARE(m_client->campaign("join", 103).result(), 200);
    QCOMPARE(m_client->state(103), 1);

    // A patch keeps the handled reply and overwrites fields: a 500 list that carries campaigns.
    Fault patch;
    patch.patch = {{"result", 500}};
    m_server->setFault("/v1/req", patch);
    const QJsonObject list = m_client->list().json();
    QCOMPARE(list[QStringLiteral("result")].toInt(), 500);
    QVERIFY(list[QStringLiteral("camp")].toArray().size() > 5);

    // "*" covers every path without a fault of its own.
    m_server->clearFaults();
    m_server->setFault("*", Fault::status(503));
    m_server->setFault("/v1/view", Fault::status(502));
    QCOMPARE(m_client->campaign("state", 103).status, 503);
    QCOMPARE(m_client->campaign("view", 103).status, 502);
    m_server->clearFaults();

    // A delayed answer holds nobody else up: the server keeps answering meanwhile.
    m_server->setFault("/v1/req", Fault::delay(600));
    QNetworkReply* slow = m_client->nam().get(QNetworkRequest(
        QUrl(m_server->campaignBase() + QStringLiteral("/req?") + m_client->keys())));
    QTRY_COMPARE(m_server->requestsTo("/v1/req").size(), 2);
    QCOMPARE(m_client->campaign("state", 103).result(), 200);
    QVERIFY(!slow->isFinished());
    QCOMPARE(finish(slow).result(), 200);

    // A client that gives up before a delayed answer leaves the server well.
    QNetworkReply* abandoned = m_client->nam().get(QNetworkRequest(
        QUrl(m_server->campaignBase() + QStringLiteral("/req?") + m_client->keys())));
    QTRY_COMPARE(m_server->requestsTo("/v1/req").size(), 3);
    abandoned->abort();
    abandoned->deleteLater();
    m_server->clearFaults();
    QCOMPARE(m_client->list().result(), 200);
}

void TstSandbox::controlEndpoint() {
    QCOMPARE(m_client->get("/__sandbox/fault?path=/v1/join&result=900&count=1").result(), 200);
    QCOMPARE(m_client->campaign("join", 103).result(), 900);
    QCOMPARE(m_client->campaign("join", 103).result(), 200);
    QCOMPARE(m_client->get("/__sandbox/fault?path=/v1/req&body=drop").result(), 200);
    QCOMPARE(m_client->list().error, QNetworkReply::RemoteHostClosedError);
    QCOMPARE(m_client->get("/__sandbox/fault?path=/v1/req&clear").result(), 200);
    QCOMPARE(m_client->list().result(), 200);
    QCOMPARE(m_client->get("/__sandbox/fault?path=/v1/req&body=sideways").result(), 400);
    QCOMPARE(m_client->get("/__sandbox/fault?status=500").result(), 400);

    QCOMPARE(m_client->get("/__sandbox/config?delay=0&rewardtype=2&user=u1").result(), 200);
    QCOMPARE(m_server->completionDelay(), 0);
    QCOMPARE(m_client->list().json()[QStringLiteral("rewardtype")].toInt(), 2);

    const QJsonArray logged =
        m_client->get("/__sandbox/requests").json()[QStringLiteral("requests")].toArray();
    QVERIFY(!logged.isEmpty());
    for (const QJsonValue& entry : logged) {
        QVERIFY(!entry[QStringLiteral("path")].toString().startsWith(QStringLiteral("/__sandbox")));
    }
}

void TstSandbox::requestLogKeepsQueryAsSent() {
    QSignalSpy received(m_server.get(), &SandboxServer::requestReceived);
    QNetworkRequest request(QUrl(m_server->campaignBase() +
                                 QStringLiteral("/req?mkey=demo-mkey&mckey=demo-mckey&userid=a%20b%"
                                                "26c&gender=0&carrier&age=&note=1+1&carrier=x")));
    request.setRawHeader("User-Agent", "Agent/1.0");
    request.setRawHeader("cookie", "1");
    QCOMPARE(finish(m_client->nam().get(request)).result(), 200);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0][0].toString(), QStringLiteral("/v1/req"));

    const QList<LoggedRequest> log = m_server->requestsTo("/v1/req");
    QCOMPARE(log.size(), 1);
    const LoggedRequest& r = log[0];
    QCOMPARE(r.method, QByteArray("GET"));
    const auto item = [](const char* name, std::optional<QString> value) {
        return QueryItem{QString::fromLatin1(name), value};
    };
    const QList<QueryItem> expected = {
        item("mkey", "demo-mkey"),     item("mckey", "demo-mckey"),
        item("userid", "a b&c"),       item("gender", "0"),
        item("carrier", std::nullopt), item("age", QString(QLatin1String(""))),
        item("note", "1+1"),           item("carrier", "x")};
    QCOMPARE(r.query, expected);
    QVERIFY(r.hasQueryItem(QStringLiteral("carrier")));
    QCOMPARE(r.queryValue(QStringLiteral("carrier")), std::nullopt); // the first one, bare
    QVERIFY(r.queryValue(QStringLiteral("age")).has_value());
    QVERIFY(!r.hasQueryItem(QStringLiteral("adid")));
    QCOMPARE(r.header("user-agent"), QByteArray("Agent/1.0"));
    QCOMPARE(r.header("COOKIE"), QByteArray("1"));
    QVERIFY(!r.hasHeader("Content-Type"));

    m_client->campaign("state", 103);
    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_server->requests()[1].path, QStringLiteral("/v1/state"));
    m_server->clearRequests();
    QVERIFY(m_server->requests().isEmpty());
}

void TstSandbox::inquiryMultipartIsStored() {
    // Laid out byte for byte as the kit's transport writes it, with binary image bytes that hold
    // CR LF, dashes and the start of the boundary.
    const QByteArray image1 =
        QByteArray("\xFF\xD8\xFF\r\n--^-----\r\n\x00\x01--", 20) + QByteArray(3000, '\x7F');
    const QByteArray image2 = QByteArray("\xFF\xD8 second \r\n\r\n", 15);
    const QList<QPair<QString, QString>> fields = {{"mkey", "demo-mkey"},
                                                   {"mckey", "demo-mckey"},
                                                   {"userid", "u1"},
                                                   {"content", "No reward yet.\r\nLine two: é ✓"}};
    QByteArray body;
    for (const auto& [name, value] : fields) {
        body += "--^-----^\r\nContent-Disposition: form-data; name=\"" + name.toUtf8() +
                "\"\r\n\r\n" + value.toUtf8() + "\r\n";
    }
    for (const QByteArray& image : {image1, image2}) {
        body += "--^-----^\r\nContent-Disposition: form-data; name=\"uploadfiles[]\"; "
                "filename=\"image" +
                QByteArray::number(image.size()) + ".jpg\"\r\nContent-Type: image/jpeg\r\n\r\n" +
                image + "\r\n";
    }
    body += "--^-----^--\r\n";
    const auto post = [&](const QByteArray& type, const QByteArray& bytes) {
        return m_client->post("/api/cs", type, bytes).result();
    };
    const QByteArray form = "multipart/form-data; boundary=^-----^";
    QCOMPARE(post(form, body), 200);

    const QList<Inquiry> inquiries = m_server->inquiries();
    QCOMPARE(inquiries.size(), 1);
    QCOMPARE(inquiries[0].fields, fields);
    QCOMPARE(inquiries[0].images.size(), 2);
    QCOMPARE(inquiries[0].images[0].data, image1);
    QCOMPARE(inquiries[0].images[0].fileName, QStringLiteral("image3020.jpg"));
    QCOMPARE(inquiries[0].images[0].contentType, QStringLiteral("image/jpeg"));
    QCOMPARE(inquiries[0].images[1].data, image2);
    QCOMPARE(m_server->requestsTo("/api/cs")[0].body, body);

    // Refused inquiries are not stored.
    QCOMPARE(post(form, QByteArray(body).replace("demo-mckey", "other-key!")), 403);
    QCOMPARE(post(form, body.chopped(16)), 400);
    QCOMPARE(post("application/json", "{}"), 400);
    QCOMPARE(m_server->inquiries().size(), 1);
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
    const int listed = int(m_client->list().json()[QStringLiteral("camp")].toArray().size());
    QString error;
    for (const char* broken :
         {R"({"camp":[{"campid":"1"}]})", R"({"camp":[{"campid":1.5}]})",
          R"({"camp":[{"campid":2,"sandbox":{"flow":"x"}}]})", R"({"housemd":{}})"}) {
        error.clear();
        QVERIFY2(!m_server->setCatalogue(QJsonDocument::fromJson(broken).object(), &error), broken);
        QVERIFY(!error.isEmpty());
    }
    QVERIFY(!m_server->setCatalogue(
        QJsonDocument::fromJson(R"({"camp":[{"campid":1},{"campid":1}]})").object(), &error));
    QVERIFY(error.contains(QStringLiteral("twice")));
    QCOMPARE(m_client->list().json()[QStringLiteral("camp")].toArray().size(), listed);

    QVERIFY(m_server->setCatalogue(
        QJsonDocument::fromJson(
            R"({"camp":[{"campid":5,"name":"Only","iconurl":"{base}/img/5/icon.png","sandbox":{"flow":"instant"}}]})")
            .object(),
        &error));
    const QJsonArray only = m_client->list().json()[QStringLiteral("camp")].toArray();
    QCOMPARE(only.size(), 1);
    QCOMPARE(only[0][QStringLiteral("iconurl")].toString(), m_server->imageUrl(5));
    QVERIFY(m_client->campaign("join", 5).json().contains(QStringLiteral("orvkey")));
    QCOMPARE(m_client->get("/img/5/icon.png").status, 200);
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
